// File names of the design are Windows paths relative to the data folder,
// such as "Skin\Balls.jpg". Here they become paths of this system.
#pragma once

#include <string>
#include <string_view>

namespace Platform {

// The path of the design file name `designName` under the folder `base`:
// backslashes become '/', and when the name does not exist as written it is
// looked up one component at a time, each matched without regard to ASCII
// case (an exact match wins; among several others the first in byte order).
// When some component matches nothing, the path as written is returned, so
// that opening it fails as a missing file does. An absolute name is taken as
// it stands, without a base.
std::string ResolveDesignPath(const std::string& base, std::string_view designName);

// Whether the path names an existing directory.
bool IsDirectory(const std::string& path);

} // namespace Platform
