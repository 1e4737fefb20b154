# The JavaScript engine for proxy scripts, built from the source its Debian package ships. A script
# must end at its deadline whatever it runs, so the build changes the engine:
# - it is compiled as C++ with C++ exceptions, so that an error thrown through our native helpers
#   unwinds them, and a fatal error reaches the caller as an exception instead of abort();
# - the execution time-out check is on, and runs every 64 bytecode instructions instead of every
#   256K, so that a loop of short native calls (indexOf over an array) still reaches it soon;
# - the regular-expression matcher asks the same check every 4096 steps (a backtracking pattern
#   otherwise runs up to 10^9 steps without a look at the time);
# - the sort of an array without a comparator asks it at every comparison;
# - an allocation refused once the time is up is not tried again after rounds of garbage collection
#   (ten of them, over a heap of up to the cap, for each refusal);
# - native recursion (nested calls through native functions, the compiler, JSON, regular
#   expressions) stops with an error before it reaches the end of the thread's stack.
# The checks are functions of PACScript.cpp.
set(duk_src /usr/share/duktape)
set(duk_out ${CMAKE_CURRENT_BINARY_DIR}/duktape)
file(MAKE_DIRECTORY ${duk_out})
# The build is made from these three files at configure time: a change to any of them (a package
# update) configures again. (file(READ) alone would not notice one.)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${duk_src}/duk_config.h ${duk_src}/duktape.h ${duk_src}/duktape.c)

# Replaces every `old` in the text of `variable` by `new`; a text without `old` stops the build.
function(td_duktape_patch variable old new)
  string(FIND "${${variable}}" "${old}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "duktape source changed: cannot find '${old}'")
  endif()
  string(REPLACE "${old}" "${new}" patched "${${variable}}")
  set(${variable} "${patched}" PARENT_SCOPE)
endfunction()

file(READ ${duk_src}/duk_config.h duk_config)
td_duktape_patch(duk_config "#undef DUK_USE_CPP_EXCEPTIONS" "#define DUK_USE_CPP_EXCEPTIONS")
td_duktape_patch(duk_config "#undef DUK_USE_INTERRUPT_COUNTER" "#define DUK_USE_INTERRUPT_COUNTER")
td_duktape_patch(duk_config "#undef DUK_USE_EXEC_TIMEOUT_CHECK" [=[
extern "C" int td_pac_exec_timeout_check(void *udata);
#define DUK_USE_EXEC_TIMEOUT_CHECK(udata) td_pac_exec_timeout_check(udata)
/* In the engine's own loops: the time-out error once the script's time is up. */
#define TD_DUK_TIME_CHECK(thr, result) \
	do { \
		if (DUK_USE_EXEC_TIMEOUT_CHECK((thr)->heap->heap_udata)) { \
			DUK_ERROR_RANGE((thr), "execution timeout"); \
			DUK_WO_NORETURN(return result;); \
		} \
	} while (0)]=])
td_duktape_patch(duk_config "#undef DUK_USE_NATIVE_STACK_CHECK" [=[
extern "C" int td_pac_native_stack_check(void);
#define DUK_USE_NATIVE_STACK_CHECK() td_pac_native_stack_check()]=])
file(WRITE ${duk_out}/duk_config.h.new "${duk_config}")
configure_file(${duk_out}/duk_config.h.new ${duk_out}/duk_config.h COPYONLY)
configure_file(${duk_src}/duktape.h ${duk_out}/duktape.h COPYONLY)

file(READ ${duk_src}/duktape.c duk_c)
td_duktape_patch(duk_c "#define DUK_HTHREAD_INTCTR_DEFAULT (256L * 1024L)" "#define DUK_HTHREAD_INTCTR_DEFAULT 64L")
td_duktape_patch(duk_c "re_ctx->steps_count++;"
                 "re_ctx->steps_count++; if ((re_ctx->steps_count & 0xfffU) == 0U) TD_DUK_TIME_CHECK(re_ctx->thr, NULL);")
td_duktape_patch(duk_c "duk__array_sort_compare(duk_hthread *thr, duk_int_t idx1, duk_int_t idx2) {"
                 "duk__array_sort_compare(duk_hthread *thr, duk_int_t idx1, duk_int_t idx2) { TD_DUK_TIME_CHECK(thr, 0);")
td_duktape_patch(duk_c "i < DUK_HEAP_ALLOC_FAIL_MARKANDSWEEP_LIMIT;"
                 "i < DUK_HEAP_ALLOC_FAIL_MARKANDSWEEP_LIMIT && !DUK_USE_EXEC_TIMEOUT_CHECK(heap->heap_udata);")
file(WRITE ${duk_out}/duktape.cpp.new "${duk_c}")
configure_file(${duk_out}/duktape.cpp.new ${duk_out}/duktape.cpp COPYONLY)

add_library(td_duktape STATIC ${duk_out}/duktape.cpp)
target_include_directories(td_duktape PUBLIC ${duk_out})
target_compile_options(td_duktape PRIVATE -w)
target_link_libraries(td_duktape PUBLIC m)
