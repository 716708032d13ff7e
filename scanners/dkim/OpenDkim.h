// scanners/dkim/OpenDkim.h: libopendkim's header made usable from C++. It is written
// for C99 (it names _Bool) and declares C functions without a linkage block.
#pragma once

#include <sys/types.h>

#define _Bool bool
extern "C" {
#include <opendkim/dkim.h>
}
#undef _Bool
