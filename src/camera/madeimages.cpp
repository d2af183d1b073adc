#include "camera/madeimages.h"

TMadeImage &MadeImageList::append(TMadeImage image)
{
    image.Index = count();
    image.GroupStart = image.Index % 3 == 0 ? image.Index : 0;
    m_images.push_back(std::move(image));
    return m_images.back();
}

TMadeImage *MadeImageList::find(int position)
{
    return position >= 0 && position < count() ? &m_images[size_t(position)] : nullptr;
}

const TMadeImage *MadeImageList::find(int position) const
{
    return const_cast<MadeImageList *>(this)->find(position);
}

MadeImageList &MadeImages()
{
    static MadeImageList images;
    return images;
}
