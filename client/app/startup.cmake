find_package(Qt5 5.15 REQUIRED COMPONENTS Widgets Network)

# The client's entry point, its start-up steps that tests reach without a window,
# and the partner utility's program.
add_library(ozm_startup STATIC
    StartupEnvironment.cpp
)
target_include_directories(ozm_startup PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(ozm_startup PUBLIC ozm_app ozm_ui ozm_link ozm_api ozm_i18n ozm_shared Qt5::Widgets Qt5::Network)

add_executable(ozm main.cpp)
target_link_libraries(ozm PRIVATE ozm_startup ozm_app ozm_ui_webengine)
set_target_properties(ozm PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${OZM_CLIENT_BIN_DIR})

# The partner utility, exported from the client for partners that look it up
# there, and run through its own small program on this system.
add_library(ozm_yeb_util_entry STATIC
    QYEButilApp.cpp
    UtilLogLine.cpp
    yeb_util_main.cpp
)
target_include_directories(ozm_yeb_util_entry PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(ozm_yeb_util_entry PUBLIC ozm_api ozm_shared Qt5::Network)

target_link_libraries(ozm PRIVATE ozm_yeb_util_entry)
set_target_properties(ozm PROPERTIES ENABLE_EXPORTS ON)
# Kept although main() never calls it.
target_link_options(ozm PRIVATE -Wl,--undefined=yeb_util_main)

add_executable(ozm_yeb_util ozm_yeb_util.cpp)
target_link_libraries(ozm_yeb_util PRIVATE ozm_yeb_util_entry)
set_target_properties(ozm_yeb_util PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${OZM_CLIENT_BIN_DIR})
