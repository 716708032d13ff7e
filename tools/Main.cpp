// tools/Main.cpp: the mtafilter command's entry point.
#include "tools/Commands.h"

int main(int argc, char** argv) {
    return MtafilterMain(argc, argv);
}
