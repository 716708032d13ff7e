// tests/helpers/PlatformTestLibrary.cpp: a shared library with an entry point for the
// library-loading tests to find.
extern "C" int PlatformTestAdd(int a, int b) {
    return a + b;
}
