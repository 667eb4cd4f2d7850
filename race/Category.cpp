#include "Category.h"

QString CategoryKey(const QString &category)
{
    return category.trimmed().toCaseFolded();
}
