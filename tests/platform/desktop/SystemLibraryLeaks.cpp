// Linked into the programs that open SDL's video: the X11, EGL and Mesa
// libraries SDL loads at run time keep allocations until exit and are
// unloaded before LeakSanitizer looks, so it can neither attribute nor
// suppress them. Leak checking stays on in every other test program.
extern "C" const char* __lsan_default_options()
{
    return "detect_leaks=0";
}
