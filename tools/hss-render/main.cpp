#include "tools/hss-render/HssRender.h"

int main(int argc, char** argv)
{
    return HssRenderMain(argc, argv);
}
