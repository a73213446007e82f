# Sanitizer builds. VELMORA_SANITIZE: AddressSanitizer and
# UndefinedBehaviorSanitizer, for the tests labelled "sanitize"; build only
# their target, velmora_sanitize_tests. VELMORA_TSAN: ThreadSanitizer, for the
# tests labelled "tsan"; build only their target, velmora_tsan_tests (Qt,
# FFmpeg and libpulse are not instrumented, so races inside them are not
# seen; see tests/support/tsan.supp).
option(VELMORA_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(VELMORA_TSAN "Build with ThreadSanitizer" OFF)
if(VELMORA_SANITIZE AND VELMORA_TSAN)
    message(FATAL_ERROR "VELMORA_SANITIZE and VELMORA_TSAN exclude each other: use two build folders")
endif()
if(VELMORA_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()
if(VELMORA_TSAN)
    # -O1 keeps the build and the run quick while the reports stay readable
    # (with the debug information the build type gives: line tables suffice).
    add_compile_options(-fsanitize=thread -O1 -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
endif()
