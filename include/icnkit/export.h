// ICNKIT_API marks the library's public names. The shared library is built
// with every other symbol hidden, so these are all it exports; the static
// library, and the Windows build (static only), need no mark.
#pragma once

#if defined(__GNUC__) && !defined(_WIN32)
#define ICNKIT_API __attribute__((visibility("default")))
#else
#define ICNKIT_API
#endif
