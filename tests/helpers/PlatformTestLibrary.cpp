// tests/helpers/PlatformTestLibrary.cpp: a shared library with a couple of entry points
// for the library-loading tests to find.
extern "C" {

int PlatformTestAdd(int a, int b) {
    return a + b;
}

const char* PlatformTestName() {
    return "PlatformTestLibrary";
}
}
