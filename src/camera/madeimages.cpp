#include "camera/madeimages.h"

TMadeImage &TMadeImages::append(TMadeImage image)
{
    image.Index = count();
    image.GroupStart = image.Index % 3 == 0 ? image.Index : 0;
    m_images.push_back(std::move(image));
    return m_images.back();
}

TMadeImage *TMadeImages::find(int position)
{
    return position >= 0 && position < count() ? &m_images[size_t(position)] : nullptr;
}

const TMadeImage *TMadeImages::find(int position) const
{
    return const_cast<TMadeImages *>(this)->find(position);
}

TMadeImages &MadeImages()
{
    static TMadeImages images;
    return images;
}
