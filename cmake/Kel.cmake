# Helpers shared by every module's CMakeLists. Every module names its sources and tests one by one:
# a file that is missing or renamed stops the configure with its name, instead of silently dropping
# a library's object or a test executable.

# ThreadSanitizer's settings for every test (read only by a tsan build): the suppressions of Qt's
# uninstrumented libraries.
set(KEL_TSAN_OPTIONS "suppressions=${CMAKE_SOURCE_DIR}/tools/tsan.supp:second_deadlock_stack=1")

# _kel_resolve_files(<out-var> <what> <files...>)
# Makes each file absolute (relative names are taken from the current source folder) and stops the
# configure when one does not exist.
function(_kel_resolve_files out what)
    set(resolved)
    foreach(file ${ARGN})
        get_filename_component(path ${file} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
        if(NOT EXISTS ${path})
            message(FATAL_ERROR "${what}: no such file: ${path}")
        endif()
        list(APPEND resolved ${path})
    endforeach()
    set(${out} ${resolved} PARENT_SCOPE)
endfunction()

# kel_add_module(<name> [STATIC|SHARED|OBJECT] SOURCES <files...> [DEPS <targets...>]
#                [PRIVATE_DEPS <targets...>] [INCLUDES <dirs...>] [PRIVATE_INCLUDES <dirs...>])
# A library of the system or the layer. DEPS are linked publicly (their headers are part of this
# library's interface), PRIVATE_DEPS only into this library; INCLUDES are exported to its users.
# STATIC is the default.
function(kel_add_module name)
    cmake_parse_arguments(ARG "STATIC;SHARED;OBJECT" "" "SOURCES;DEPS;PRIVATE_DEPS;INCLUDES;PRIVATE_INCLUDES" ${ARGN})
    if(ARG_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "kel_add_module(${name}): unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
    endif()
    if(NOT ARG_SOURCES)
        message(FATAL_ERROR "kel_add_module(${name}) names no SOURCES")
    endif()
    _kel_resolve_files(sources "kel_add_module(${name})" ${ARG_SOURCES})
    set(type STATIC)
    if(ARG_SHARED)
        set(type SHARED)
    elseif(ARG_OBJECT)
        set(type OBJECT)
    endif()
    add_library(${name} ${type} ${sources})
    _kel_resolve_files(includes "kel_add_module(${name}) INCLUDES" ${ARG_INCLUDES})
    _kel_resolve_files(private_includes "kel_add_module(${name}) PRIVATE_INCLUDES" ${ARG_PRIVATE_INCLUDES})
    target_include_directories(${name} PUBLIC ${includes} PRIVATE ${private_includes})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
endfunction()

# kel_add_gtest(<target> LABEL <area> SOURCES <files...> [LIBS <targets...>] [UI]
#               [RESOURCES <module> <script> [MAIN] ...] [INCLUDES <dirs...>])
# A GoogleTest executable whose tests are registered with CTest under the given label. UI starts Qt
# (offscreen under CTest) on the main thread before the tests run (testkit/UiTest.h) and links the
# Qt backend. Tests run headless and with their own settings folder, never the user's.
function(kel_add_gtest target)
    cmake_parse_arguments(ARG "UI" "LABEL" "SOURCES;LIBS;INCLUDES" ${ARGN})
    if(ARG_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "kel_add_gtest(${target}): unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
    endif()
    if(NOT ARG_LABEL OR NOT ARG_SOURCES)
        message(FATAL_ERROR "kel_add_gtest(${target}) needs LABEL and SOURCES")
    endif()
    _kel_resolve_files(sources "kel_add_gtest(${target})" ${ARG_SOURCES})
    _kel_resolve_files(includes "kel_add_gtest(${target}) INCLUDES" ${ARG_INCLUDES})
    add_executable(${target} ${sources})
    target_include_directories(${target} PRIVATE ${includes})
    set(ui_libs)
    if(ARG_UI)
        set(ui_libs uitestenv win32qt)
    endif()
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} ${ui_libs} testkit GTest::gtest GTest::gmock GTest::gtest_main)
    set(home ${CMAKE_BINARY_DIR}/test-home/${target})
    file(MAKE_DIRECTORY ${home}/config ${home}/runtime)
    # Qt refuses a runtime folder that others may read.
    file(CHMOD ${home}/runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 120 PROPERTIES LABELS ${ARG_LABEL})
    # gtest_discover_tests passes each item of a list-valued property as an argument of its own,
    # so an ENVIRONMENT given there keeps only its first variable. The environment is set on the
    # discovered tests (listed in <target>_TESTS) by a file CTest reads after theirs.
    set(env "QT_QPA_PLATFORM=offscreen;XDG_CONFIG_HOME=${home}/config;XDG_RUNTIME_DIR=${home}/runtime;HOME=${home};ASAN_OPTIONS=detect_leaks=1:abort_on_error=0;UBSAN_OPTIONS=print_stacktrace=1;TSAN_OPTIONS=${KEL_TSAN_OPTIONS}")
    set(env_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_environment.cmake)
    file(WRITE ${env_file}
        "if(${target}_TESTS)\n"
        "    set_tests_properties(\${${target}_TESTS} PROPERTIES ENVIRONMENT [==[${env}]==])\n"
        "endif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${env_file})
endfunction()

# kel_add_resources(<target> MODULE <name> SCRIPT <file.rc> [MAIN])
# Compiles a resource script into C++ tables linked into <target>. MODULE is the name the
# module's resources are registered under (the name LoadLibrary and GetModuleHandle know);
# MAIN marks the program's own module (what GetModuleHandle(NULL) returns). The generated file
# registers the module from a static object at load time. In a static library nothing would pull
# that object into the final link, so every target linking the library is made to reference the
# module's exported function (kel_rc_module_<name>), which keeps the object and its registrar.
function(kel_add_resources target)
    cmake_parse_arguments(ARG "MAIN" "MODULE;SCRIPT" "" ${ARGN})
    if(NOT ARG_MODULE OR NOT ARG_SCRIPT)
        message(FATAL_ERROR "kel_add_resources(${target}) needs MODULE and SCRIPT")
    endif()
    _kel_resolve_files(script "kel_add_resources(${target})" ${ARG_SCRIPT})
    set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_${ARG_MODULE}_res.cpp)
    set(flags)
    if(ARG_MAIN)
        list(APPEND flags --main)
    endif()
    add_custom_command(
        OUTPUT ${out}
        COMMAND kelrc --module ${ARG_MODULE} ${flags} --depfile ${out}.d -o ${out} ${script}
        DEPENDS kelrc ${script}
        DEPFILE ${out}.d
        COMMENT "Compiling resources ${ARG_SCRIPT}"
        VERBATIM)
    target_sources(${target} PRIVATE ${out})
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "STATIC_LIBRARY")
        string(TOLOWER "${ARG_MODULE}" symbol)
        string(MAKE_C_IDENTIFIER "${symbol}" symbol)
        target_link_options(${target} INTERFACE "LINKER:--undefined=kel_rc_module_${symbol}")
    endif()
endfunction()

# kel_add_exports(<target> MODULE <name> TABLE <file>)
# Gives a shared library its export list from one table of "<ordinal> <name> <module>" lines
# (ordinal "-": by name only; '#' starts a comment). Duplicate ordinals or names stop the configure.
# Generates a linker version script that exports exactly the table's names (and the module's
# resource and export-table hooks), everything else staying local, and a source with the table
# that GetProcAddress reads for ordinals (kel_exports_<name>, win32/exports.h). Sets hidden
# visibility and symbolic binding on the target.
function(kel_add_exports target)
    cmake_parse_arguments(ARG "" "MODULE;TABLE" "" ${ARGN})
    if(NOT ARG_MODULE OR NOT ARG_TABLE)
        message(FATAL_ERROR "kel_add_exports(${target}) needs MODULE and TABLE")
    endif()
    _kel_resolve_files(table "kel_add_exports(${target})" ${ARG_TABLE})
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${table})
    file(STRINGS ${table} lines)
    set(names)
    set(ordinals)
    set(entries "")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "#.*" "" line "${line}")
        string(STRIP "${line}" line)
        if(line STREQUAL "")
            continue()
        endif()
        if(NOT line MATCHES "^([0-9]+|-)[ \t]+([A-Za-z_][A-Za-z_0-9]*)[ \t]+([A-Za-z_0-9]+)$")
            message(FATAL_ERROR "${table}: bad line: ${line}")
        endif()
        set(ordinal ${CMAKE_MATCH_1})
        set(name ${CMAKE_MATCH_2})
        if(name IN_LIST names)
            message(FATAL_ERROR "${table}: ${name} listed twice")
        endif()
        list(APPEND names ${name})
        if(ordinal STREQUAL "-")
            set(ordinal 0)
        else()
            if(ordinal IN_LIST ordinals OR ordinal EQUAL 0 OR ordinal GREATER 65535)
                message(FATAL_ERROR "${table}: ordinal ${ordinal} (${name}) is taken or out of range")
            endif()
            list(APPEND ordinals ${ordinal})
        endif()
        string(APPEND entries "    {${ordinal}, \"${name}\"},\n")
    endforeach()
    string(TOLOWER "${ARG_MODULE}" symbol)
    string(MAKE_C_IDENTIFIER "${symbol}" symbol)
    list(JOIN names ";\n        " global)
    set(map ${CMAKE_CURRENT_BINARY_DIR}/${target}_exports.map)
    set(src ${CMAKE_CURRENT_BINARY_DIR}/${target}_exports.cpp)
    file(CONFIGURE OUTPUT ${map} CONTENT
"{
    global:
        ${global};
        kel_rc_module_${symbol};
        kel_exports_${symbol};
    local: *;
};
")
    file(CONFIGURE OUTPUT ${src} CONTENT
"// Generated from ${table}: do not edit.
#include \"win32/exports.h\"

namespace
{
const kel::ExportEntry entries[] = {
${entries}};
const kel::ExportTable table{entries, sizeof(entries) / sizeof(entries[0])};
} // namespace

extern \"C\" __attribute__((visibility(\"default\"), used)) const kel::ExportTable* kel_exports_${symbol}()
{
    return &table;
}
")
    target_sources(${target} PRIVATE ${src})
    target_link_options(${target} PRIVATE "LINKER:--version-script=${map}" "LINKER:-Bsymbolic")
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${map})
    set_target_properties(${target} PROPERTIES C_VISIBILITY_PRESET hidden CXX_VISIBILITY_PRESET hidden
                                               VISIBILITY_INLINES_HIDDEN ON)
endfunction()

# kel_add_fuzzer(<target> SOURCES <files...> [LIBS <targets...>])
# A libFuzzer target (fuzz preset only), made part of the `fuzzers` target. Its seed corpus is
# fuzz/seeds/<target without _fuzz>; tools/run-fuzzers runs it from there.
function(kel_add_fuzzer target)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    if(ARG_UNPARSED_ARGUMENTS OR NOT ARG_SOURCES)
        message(FATAL_ERROR "kel_add_fuzzer(${target}) needs SOURCES (and nothing unknown)")
    endif()
    _kel_resolve_files(sources "kel_add_fuzzer(${target})" ${ARG_SOURCES})
    string(REGEX REPLACE "_fuzz$" "" seeds ${target})
    _kel_resolve_files(seeds "kel_add_fuzzer(${target}) seed corpus" ${CMAKE_SOURCE_DIR}/fuzz/seeds/${seeds})
    add_executable(${target} ${sources})
    target_link_libraries(${target} PRIVATE ${ARG_LIBS})
    target_link_options(${target} PRIVATE -fsanitize=fuzzer)
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
    add_dependencies(fuzzers ${target})
endfunction()
