// Linked into every program of the sanitizer and fuzzing builds, so that a test run by hand
// fails exactly as it does under ctest: any report ends the process with an error, and leaks
// are reported except those the suppression file lists (the libraries' own, never ours).

extern "C" {

const char *__asan_default_options()
{
    return "halt_on_error=1:detect_leaks=1:check_initialization_order=1";
}

const char *__ubsan_default_options()
{
    return "halt_on_error=1:print_stacktrace=1";
}

const char *__lsan_default_options()
{
    return "suppressions=" BRENLOWICK_LSAN_SUPPRESSIONS ":print_suppressions=0";
}

} // extern "C"
