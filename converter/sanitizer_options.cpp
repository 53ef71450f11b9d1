// Built into sanitized builds only. LibreOffice, loaded into this process, does not free everything at
// shutdown; LeakSanitizer would report that on a standard error we have silenced and turn every exit
// status into 1. Our own code is checked for leaks by the unit-tested libraries, not here.
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0";
}
