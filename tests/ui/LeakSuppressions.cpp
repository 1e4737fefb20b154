// Leaks of third-party libraries that the window tests cannot avoid, for LeakSanitizer:
// fontconfig keeps its configuration caches for the life of the process once Qt has loaded fonts.

extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
