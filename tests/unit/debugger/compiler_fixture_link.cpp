// The compiler tests' fixture (a fresh root with the core classes and the
// compiler installed), built into this program too.
#include "compiler/compiler_fixture.cpp"
