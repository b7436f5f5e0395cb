# Helpers shared by every module's CMakeLists.

# kel_add_gtest(<target> LABEL <area> SOURCES <files...> [LIBS <targets...>])
# A GoogleTest executable whose tests are registered with CTest under the given label.
# Tests run headless and with their own settings folder, never the user's.
function(kel_add_gtest target)
    cmake_parse_arguments(ARG "" "LABEL" "SOURCES;LIBS" ${ARGN})
    if(NOT KEL_BUILD_TESTS)
        return()
    endif()
    add_executable(${target} ${ARG_SOURCES})
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} testkit GTest::gtest GTest::gmock GTest::gtest_main)
    set(home ${CMAKE_BINARY_DIR}/test-home/${target})
    file(MAKE_DIRECTORY ${home}/config ${home}/runtime)
    gtest_discover_tests(${target}
        DISCOVERY_TIMEOUT 120
        PROPERTIES
            LABELS ${ARG_LABEL}
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_CONFIG_HOME=${home}/config;XDG_RUNTIME_DIR=${home}/runtime;HOME=${home};ASAN_OPTIONS=detect_leaks=1:abort_on_error=0;UBSAN_OPTIONS=print_stacktrace=1")
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
    get_filename_component(script ${ARG_SCRIPT} ABSOLUTE)
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
