# The frames and long runs in the views a user reaches: only the program's long-standing interfaces, so
# scripts/bench.sh --against can build this file into an older commit's tree too (it appends an include
# of this file to that tree's tools/bench/CMakeLists.txt).
add_executable(velmir_bench_views ${CMAKE_CURRENT_LIST_DIR}/view_bench.cpp ${CMAKE_CURRENT_LIST_DIR}/log_sink.cpp)
target_link_libraries(velmir_bench_views PRIVATE velmir_app velmir_render Threads::Threads)
target_include_directories(velmir_bench_views PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_compile_definitions(velmir_bench_views PRIVATE VELMIR_BENCH_RUN_DIR="${VELMIR_RUN_DIR}")
add_dependencies(velmir_bench_views velmir_textures)
