// Linked into every program of the sanitizer and fuzzing builds, so that a test run by hand
// fails exactly as it does under ctest: any report ends the process with an error, and leaks
// are reported except those the suppression file lists (the libraries' own, never ours). Under
// ThreadSanitizer the same: the first report ends the run, whatever the test said.

extern "C" {

const char *__asan_default_options()
{
    return "halt_on_error=1:detect_leaks=1:check_initialization_order=1";
}

const char *__ubsan_default_options()
{
    return "halt_on_error=1:print_stacktrace=1";
}

// The libraries (Qt, SDL, libmpg123) are not built with ThreadSanitizer: their own locks are
// futexes it cannot see, so what they do through the functions it intercepts (allocating,
// copying, waiting) would look unsynchronised. Those calls are left out; every access the
// project's own code makes, and every lock it takes, is still watched.
const char *__tsan_default_options()
{
    return "halt_on_error=1:exitcode=66:second_deadlock_stack=1:"
           "ignore_noninstrumented_modules=1:suppressions=" BRENLOWICK_TSAN_SUPPRESSIONS;
}

const char *__lsan_default_options()
{
    return "suppressions=" BRENLOWICK_LSAN_SUPPRESSIONS ":print_suppressions=0";
}

} // extern "C"
