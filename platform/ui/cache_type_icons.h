#pragma once
// The small cache-type icons of the cache lists: a coloured square with the
// type's letter for the type numbers 0..9, a grey one for any other type (10)
// and for a cache missing from the database.
#include <QIcon>

namespace tv {

QIcon CacheTypeIcon(int image);

}  // namespace tv
