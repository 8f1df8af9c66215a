#include "OneSelectedTransformer.h"

#include <QVariantList>

QVariant OneSelectedTransformer::transformedValue(const QVariant& value) const
{
    qsizetype count = -1;
    if (value.canConvert<QVariantList>() && value.typeId() != QMetaType::QString)
        count = value.value<QVariantList>().size();
    return count == 1;
}
