#pragma once
// For the one source file of a test program that runs NTLM handshakes: two faults of the NTLM
// mechanism (gss-ntlmssp) that the sanitizers would report as the program's own.
// - It copies names with strndup() from GSSAPI's copies, which end without a NUL, and strict string
//   checks take strndup for strlen, reporting a read past them.
// - It leaks the digests it fetches from OpenSSL for each handshake. Its frames show in the stacks
//   of those allocations only when malloc stacks are unwound the slow way.
// A program with known leaks of other libraries as well defines TD_MORE_LEAK_SUPPRESSIONS (lines in
// LeakSanitizer's suppression form) before it includes this.

#ifndef TD_MORE_LEAK_SUPPRESSIONS
#define TD_MORE_LEAK_SUPPRESSIONS ""
#endif

extern "C" const char* __asan_default_suppressions() { return "interceptor_via_lib:gssntlmssp.so\n"; }
extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }
extern "C" const char* __lsan_default_suppressions() { return "leak:gssntlmssp.so\n" TD_MORE_LEAK_SUPPRESSIONS; }
