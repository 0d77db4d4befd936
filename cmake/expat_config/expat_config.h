/* expat's settings for the build of its library within korvix (cmake/expat.cmake), where expat's
   own build would write them into expat_config.h: a little-endian target with the C library's
   usual headers (mingw-w64), the context that expat keeps of its input, and namespaces. The
   randomness of its hash salt comes from the system (rand_s on Windows). */
#ifndef EXPAT_CONFIG_H
#define EXPAT_CONFIG_H 1

#define BYTEORDER 1234
#define HAVE_FCNTL_H 1
#define HAVE_INTTYPES_H 1
#define HAVE_MEMORY_H 1
#define HAVE_STDINT_H 1
#define HAVE_STDLIB_H 1
#define HAVE_STRING_H 1
#define HAVE_SYS_STAT_H 1
#define HAVE_SYS_TYPES_H 1
#define PACKAGE "expat"
#define STDC_HEADERS 1
#define XML_CONTEXT_BYTES 1024
#define XML_DTD 1
#define XML_NS 1

#endif
