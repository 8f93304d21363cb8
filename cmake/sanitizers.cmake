# The build with AddressSanitizer and UndefinedBehaviorSanitizer, stopping at the first finding,
# and with libstdc++'s bounds checks. With a compiler that has libFuzzer (clang) the code also
# carries its coverage hooks, and the fuzz targets link it; otherwise they link a plain replay.
set(LUMORA_SANITIZER_FLAGS
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
add_compile_options(${LUMORA_SANITIZER_FLAGS})
add_link_options(${LUMORA_SANITIZER_FLAGS})
add_compile_definitions(_GLIBCXX_ASSERTIONS)

include(CheckCXXSourceCompiles)
set(CMAKE_REQUIRED_LINK_OPTIONS -fsanitize=fuzzer)
check_cxx_source_compiles(
    "#include <cstddef>\nextern \"C\" int LLVMFuzzerTestOneInput(const unsigned char*, std::size_t) { return 0; }"
    LUMORA_HAVE_LIBFUZZER)
unset(CMAKE_REQUIRED_LINK_OPTIONS)
if(LUMORA_HAVE_LIBFUZZER)
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# What the tests and fuzz targets run with: every finding fails, leaks inside system libraries
# that the program cannot free are listed (with the reason) in tests/lsan.supp.
set(LUMORA_SANITIZER_ENVIRONMENT
    "ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
    "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0")
