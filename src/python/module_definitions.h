// The definitions of the Python modules, kept in the shared library that
// holds the core and the binding. Each module file Python imports is a small
// entry point that hands its definition to the interpreter, so a process
// holds one copy of the catalogue, the shared unit table and the memos
// whichever modules it imports.
#ifndef DROVIK_PYTHON_MODULE_DEFINITIONS_H_
#define DROVIK_PYTHON_MODULE_DEFINITIONS_H_

#include "python/python_api.h"

#define DROVIK_SHARED_EXPORT __attribute__((visibility("default")))

extern "C" {
// The module drovik.
DROVIK_SHARED_EXPORT PyModuleDef* drovik_module_definition();
// The module drovik_array.
DROVIK_SHARED_EXPORT PyModuleDef* drovik_array_module_definition();
}

#endif  // DROVIK_PYTHON_MODULE_DEFINITIONS_H_
