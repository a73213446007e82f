# Build helpers shared by every subsystem folder.

include(${CMAKE_CURRENT_LIST_DIR}/Warnings.cmake)

# The options of the tests' own code: -O1 where the build type optimises
# (their files compile a third faster; the libraries they test keep the build
# type's optimisation).
set(VELMORA_TEST_OPTIONS ${VELMORA_WARNINGS} $<$<NOT:$<CONFIG:Debug>>:-O1>)

# velmora_stage_headers(<stage> <folder>): links the headers of the current
# source folder into <stage>/<folder>/, made anew, so that they are included
# as "<folder>/<name>.h" and nothing else of the tree is seen through <stage>.
function(velmora_stage_headers stage folder)
    file(REMOVE_RECURSE ${stage})
    file(MAKE_DIRECTORY ${stage}/${folder})
    file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    foreach(header ${headers})
        get_filename_component(name ${header} NAME)
        file(CREATE_LINK ${header} ${stage}/${folder}/${name} SYMBOLIC)
    endforeach()
endfunction()

# velmora_library(<target> SOURCES ... [DEPS ...])
# A static library of one subsystem folder. Its headers are included as
# "<folder>/<name>.h"; the include folder a target publishes holds its own
# folder's headers only (links in the build tree), so a file sees the headers
# of the libraries it links and no others: an include the layer check forbids
# does not compile either.
function(velmora_library target)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_library(${target} STATIC ${ARG_SOURCES})
    file(RELATIVE_PATH folder ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
    set(stage ${CMAKE_BINARY_DIR}/include/${target})
    velmora_stage_headers(${stage} ${folder})
    target_include_directories(${target} PUBLIC ${stage})
    target_compile_options(${target} PRIVATE ${VELMORA_WARNINGS})
    target_link_libraries(${target} PUBLIC ${ARG_DEPS})
    if(Qt5::Widgets IN_LIST ARG_DEPS)
        velmora_qt_pch(${target} Widgets ${ARG_SOURCES})
    elseif(Qt5::Core IN_LIST ARG_DEPS)
        velmora_qt_pch(${target} Core ${ARG_SOURCES})
    endif()
endfunction()

# velmora_tsan_support(<target>): in the ThreadSanitizer build, tells the
# sanitizer how Qt hands work between threads (for tests and the child
# programs they start).
function(velmora_tsan_support target)
    if(VELMORA_TSAN)
        target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support/tsanqt.cpp)
        target_link_libraries(${target} PRIVATE ${CMAKE_DL_LIBS})
    endif()
endfunction()

# velmora_reuse_pch(<target> <from> SOURCES...): the target's files include
# the precompiled header of <from> first, but for a file that defines a macro
# before its includes (such as QTEST_QPA_MOUSE_HANDLING before <QtTest>): that
# one parses them itself. A precompiled header serves only files compiled
# with the same definitions; the build fails on a mismatch.
function(velmora_reuse_pch target from)
    target_precompile_headers(${target} REUSE_FROM ${from})
    foreach(source ${ARGN})
        get_filename_component(path ${source} ABSOLUTE)
        if(path MATCHES "\\.cpp$" AND EXISTS ${path})
            file(STRINGS ${path} directives REGEX "^[ \t]*#[ \t]*(define|undef|include)")
            list(LENGTH directives count)
            if(count GREATER 0)
                list(GET directives 0 first)
                if(NOT first MATCHES "include")
                    set_source_files_properties(${source} PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
                endif()
            endif()
        endif()
    endforeach()
endfunction()

# velmora_qt_pch(<target> <module> SOURCES...): a library's files include the
# precompiled umbrella header of Qt <module> (Core, Widgets), one per module
# and build folder, shared by the libraries that link that module. The
# libpulse flags give most libraries _REENTRANT, so all get it (glibc
# ignores it).
function(velmora_qt_pch target module)
    string(TOLOWER "velmora_qt${module}_pch" pch)
    if(NOT TARGET ${pch})
        set(source ${CMAKE_BINARY_DIR}/${pch}.cpp)
        if(NOT EXISTS ${source})
            file(WRITE ${source} "// The precompiled <Qt${module}> of the libraries that link it.\n")
        endif()
        add_library(${pch} OBJECT ${source})
        target_compile_options(${pch} PRIVATE ${VELMORA_WARNINGS})
        target_compile_definitions(${pch} PRIVATE _REENTRANT)
        target_link_libraries(${pch} PRIVATE Qt5::${module})
        target_precompile_headers(${pch} PRIVATE <Qt${module}>)
    endif()
    target_compile_definitions(${target} PRIVATE _REENTRANT)
    velmora_reuse_pch(${target} ${pch} ${ARGN})
endfunction()

# velmora_test_pch(<target> SOURCES...): the precompiled <QtTest> of
# velmora_testsupport (tests/CMakeLists.txt), for tests and their helpers;
# not for the file of the target's moc output, which is mostly empty (a test
# includes its own .moc).
function(velmora_test_pch target)
    velmora_reuse_pch(${target} velmora_testsupport ${ARGN})
    set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/${target}_autogen/mocs_compilation.cpp
        PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
endfunction()

# velmora_test_fixture(<target> SOURCES ... [LIBS ...] [INCLUDES ...]): test
# helpers that several tests list among their SOURCES, compiled once into
# <target>: a velmora_test that lists one of these files links <target>
# instead of compiling it again. Declared in tests/CMakeLists.txt, before the
# tests; LIBS and INCLUDES are what the helpers themselves need.
function(velmora_test_fixture target)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;INCLUDES" ${ARGN})
    add_library(${target} STATIC ${ARG_SOURCES})
    target_compile_options(${target} PRIVATE ${VELMORA_TEST_OPTIONS})
    target_include_directories(${target} PRIVATE ${ARG_INCLUDES})
    target_link_libraries(${target} PUBLIC velmora_testsupport ${ARG_LIBS})
    velmora_test_pch(${target} ${ARG_SOURCES})
    foreach(source ${ARG_SOURCES})
        get_filename_component(source ${source} ABSOLUTE)
        set_property(GLOBAL PROPERTY VELMORA_FIXTURE:${source} ${target})
    endforeach()
endfunction()

# velmora_split_fixtures(<sources> <fixtures> FILES...): FILES without the
# fixtures' sources, and the fixture libraries that hold those.
function(velmora_split_fixtures sources_var fixtures_var)
    set(sources "")
    set(fixtures "")
    foreach(source ${ARGN})
        get_filename_component(path ${source} ABSOLUTE)
        get_property(fixture GLOBAL PROPERTY VELMORA_FIXTURE:${path})
        if(fixture)
            list(APPEND fixtures ${fixture})
        else()
            list(APPEND sources ${source})
        endif()
    endforeach()
    set(${sources_var} ${sources} PARENT_SCOPE)
    set(${fixtures_var} ${fixtures} PARENT_SCOPE)
endfunction()

# velmora_test(<name> LABELS ... SOURCES ... [LIBS ...] [SOUND] [XVFB] [DBUS] [SERIAL] [TIMEOUT s])
# A Qt Test executable under CTest. Every test runs through run-test.sh, which
# gives it a private HOME and XDG folders and the offscreen platform; SOUND adds
# a private sound server with null sinks, XVFB a virtual X display, DBUS a
# private session bus, SERIAL runs it alone. A SOUND test runs twice, labelled
# "sound": <name> on PulseAudio and <name>_pipewire on PipeWire's pulse server.
# Tests labelled "sanitize" also run in the sanitizer build, tests labelled
# "tsan" in the ThreadSanitizer build; the targets velmora_sanitize_tests and
# velmora_tsan_tests build those alone (with what they run).
function(velmora_test name)
    cmake_parse_arguments(ARG "SOUND;XVFB;DBUS;SERIAL" "TIMEOUT" "LABELS;SOURCES;LIBS" ${ARGN})
    velmora_split_fixtures(sources fixtures ${ARG_SOURCES})
    add_executable(${name} ${sources})
    target_compile_options(${name} PRIVATE ${VELMORA_TEST_OPTIONS})
    target_link_libraries(${name} PRIVATE velmora_testsupport Qt5::Test ${fixtures} ${ARG_LIBS})
    # With Qt Network linked, <QtTest> holds more: the test parses it itself.
    if(NOT Qt5::Network IN_LIST ARG_LIBS)
        velmora_test_pch(${name} ${sources})
    endif()
    # The sanitizer folder's tests get the program's pictures too (drawn by
    # the sanitized picture generator); the ThreadSanitizer ones need none,
    # and that folder's programs may not start without help at build time.
    foreach(label sanitize tsan)
        if(label IN_LIST ARG_LABELS)
            if(NOT TARGET velmora_${label}_tests)
                add_custom_target(velmora_${label}_tests)
                if(label STREQUAL sanitize)
                    add_dependencies(velmora_${label}_tests velmora_resources)
                endif()
            endif()
            add_dependencies(velmora_${label}_tests ${name})
        endif()
    endforeach()
    set(env "VELMORA_RESOURCES=${VELMORA_RESOURCE_DIR};VELMORA_SCREENSHOT_DIR=${VELMORA_SCREENSHOT_DIR};VELMORA_SOURCE_DIR=${CMAKE_SOURCE_DIR};VELMORA_BUILD_DIR=${CMAKE_BINARY_DIR}")
    velmora_tsan_support(${name})
    if(VELMORA_TSAN)
        list(APPEND env "TSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/support/tsan.supp ignore_noninstrumented_modules=1 second_deadlock_stack=1 history_size=4")
    endif()
    set(flags "")
    if(ARG_XVFB)
        list(APPEND flags --xvfb)
    endif()
    if(ARG_DBUS)
        list(APPEND flags --dbus)
    endif()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    if(ARG_SOUND)
        set(runs "${name}|--sound|pulseaudio" "${name}_pipewire|--pipewire|pipewire")
    else()
        set(runs "${name}||")
    endif()
    foreach(run ${runs})
        string(REPLACE "|" ";" run "${run}")
        list(GET run 0 test)
        list(GET run 1 server)
        list(GET run 2 label)
        set(labels ${ARG_LABELS})
        if(server)
            list(APPEND labels sound ${label})
        endif()
        add_test(NAME ${test}
                 COMMAND ${CMAKE_SOURCE_DIR}/tests/support/run-test.sh ${server} ${flags} -- $<TARGET_FILE:${name}>)
        set_tests_properties(${test} PROPERTIES
            LABELS "${labels}"
            TIMEOUT ${ARG_TIMEOUT}
            RUN_SERIAL ${ARG_SERIAL}
            ENVIRONMENT "${env}")
    endforeach()
endfunction()

# velmora_bench(<name> SOURCES ... [LIBS ...]): built always, never run by CTest;
# a test fixture among SOURCES is linked as for velmora_test.
function(velmora_bench name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    velmora_split_fixtures(sources fixtures ${ARG_SOURCES})
    add_executable(${name} ${sources})
    target_compile_options(${name} PRIVATE ${VELMORA_WARNINGS})
    target_link_libraries(${name} PRIVATE velmora_benchsupport ${fixtures} ${ARG_LIBS})
endfunction()
