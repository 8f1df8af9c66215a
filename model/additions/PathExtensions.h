#pragma once

#include <QString>

namespace PathExtensions
{

// The path with "~" expanded and symbolic links followed: the canonical path when the file
// exists, else the cleaned absolute path ("." and ".." folded, no trailing slash). Linux has no
// alias files; symbolic links play their part. An empty path stays empty.
QString stringByResolvingAliasesInPath(const QString& path);

} // namespace PathExtensions
