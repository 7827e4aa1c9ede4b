// Every object that uses floating point refers to this symbol, which
// Microsoft's runtime defines.
extern "C" int _fltused = 0;
