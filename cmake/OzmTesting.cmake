find_package(Qt5 5.15 REQUIRED COMPONENTS Test)

# ozm_add_test(<name> SOURCES <files...> [LIBS <targets...>] [LABELS <labels...>] [TIMEOUT <seconds>] [XVFB])
# Builds one Qt Test executable and registers it with CTest under the same name.
# XVFB runs it against an X server of its own (label "xvfb"), for tests that show
# real windows and look at them; every other test runs on the offscreen platform.
function(ozm_add_test name)
    cmake_parse_arguments(T "XVFB" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE Qt5::Test ${T_LIBS})
    set(platform offscreen)
    if(T_XVFB)
        add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/tests/support/run_under_xvfb.sh $<TARGET_FILE:${name}>)
        set(platform xcb)
        list(APPEND T_LABELS xvfb)
    else()
        add_test(NAME ${name} COMMAND ${name})
    endif()
    # Qt Test's own limit for one test function is 5 minutes. A test given more
    # time gets it for its functions too, a little inside its own budget, so a
    # slow machine does not cut a long function short and a hang still prints
    # its stacks before CTest kills the process.
    set(function_limit "")
    if(T_TIMEOUT GREATER 310)
        math(EXPR function_ms "(${T_TIMEOUT} - 10) * 1000")
        set(function_limit "QTEST_FUNCTION_TIMEOUT=${function_ms};")
    endif()
    set_tests_properties(${name} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "${function_limit}QT_QPA_PLATFORM=${platform};LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
    if(T_LABELS)
        set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
    endif()
endfunction()
