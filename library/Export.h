// Symbol visibility: the shared library hides everything but what is marked.
#pragma once

#if defined(BACNETCODEC_STATIC)
#define BACNET_API
#else
#define BACNET_API __attribute__((visibility("default")))
#endif
