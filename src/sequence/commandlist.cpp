#include "sequence/commandlist.h"

TCommandList &CommandList()
{
    static TCommandList list;
    return list;
}
