// common/LineEnd.cpp: taking the line end off a line read from a configuration table.
#include "common/LineEnd.h"

#include <cstring>

size_t TakeOffLineEnd(char* line) {
    if (line == nullptr) return 0;
    size_t length = std::strlen(line);
    while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) --length;
    line[length] = '\0';
    return length;
}
