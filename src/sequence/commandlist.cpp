#include "sequence/commandlist.h"

SequenceSteps &CommandList()
{
    static SequenceSteps list;
    return list;
}
