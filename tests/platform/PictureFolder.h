// A temporary folder for the pictures a test draws and then looks at. Like any
// TempFolder it goes when the test ends, unless the test failed: then its
// pictures are copied where a developer looks, into the build folder
// ($TUMBLETOWN_BUILD_DIR/failed-pictures/<suite>.<test>/, which CTest sets),
// and the test's output says so.
#pragma once

#include "tests/platform/TempFolder.h"

namespace TestSupport {

class PictureFolder : public TempFolder {
public:
    PictureFolder() : TempFolder("pictures") {}
    ~PictureFolder();
};

} // namespace TestSupport
