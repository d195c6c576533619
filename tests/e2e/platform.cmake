# Real-window smoke test of the platform layer (Xvfb + xdotool).
add_executable(platform_demo ${CMAKE_CURRENT_LIST_DIR}/platform_demo.cpp)
target_link_libraries(platform_demo PRIVATE orba)
add_test(NAME e2e_platform_smoke
         COMMAND ${CMAKE_CURRENT_LIST_DIR}/platform_smoke.sh $<TARGET_FILE:platform_demo>)
set_tests_properties(e2e_platform_smoke PROPERTIES LABELS e2e TIMEOUT 120)
