// Leaks that LeakSanitizer reports inside system libraries the tests cannot
// free (font configuration, Qt's and D-Bus's process-wide caches).  Built into
// every test program, so that a test run by itself needs no LSAN_OPTIONS.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\n"
         "leak:libQt6Core\n"
         "leak:libQt6Gui\n"
         "leak:libQt6Widgets\n"
         "leak:libdbus\n"
         "leak:libQt6DBus\n"
         "leak:libglib\n";
}
