// Runtime defaults of the sanitizer build, linked into every executable of it.
// Options given in ASAN_OPTIONS / UBSAN_OPTIONS / LSAN_OPTIONS still win.

extern "C" {

const char* __asan_default_options() {
  return "detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1:"
         "check_initialization_order=1";
}

const char* __ubsan_default_options() { return "halt_on_error=1:print_stacktrace=1"; }

// Leaks whose allocation stack passes through these system libraries only.
// Nothing of the program's own is listed here.
const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n"
         "leak:libdbus-1.so\n";  // the accessibility bridge's connection, on X11
}

}  // extern "C"
