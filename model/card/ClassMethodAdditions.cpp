#include "ClassMethodAdditions.h"

namespace ClassMethodAdditions
{

SortDescriptor descriptorWithKey(const QString& key, bool ascending)
{
    return SortDescriptor(key, ascending, SortDescriptor::Selector::Compare);
}

} // namespace ClassMethodAdditions
