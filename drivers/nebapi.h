#ifndef NEBAPI_H
#define NEBAPI_H

// Calling convention and export decoration shared by both driver interfaces.
// The drivers are built for Windows with the stdcall convention; elsewhere the
// platform default is the only one, so the macro expands to nothing.
#if defined(_WIN32) && !defined(_WIN64)
#  define NEBAPI __stdcall
#else
#  define NEBAPI
#endif

#if defined(_WIN32)
#  define NEB_EXPORT __declspec(dllexport)
#else
#  define NEB_EXPORT __attribute__((visibility("default")))
#endif

#endif // NEBAPI_H
