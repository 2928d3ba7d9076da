# Loading large instance files and workbooks: time and peak memory (included
# from bench/CMakeLists.txt; part of the `benchmarks` target).
add_executable(inputs_bench ${CMAKE_CURRENT_LIST_DIR}/inputs_bench.cpp)
target_link_libraries(inputs_bench PRIVATE qtb_files_core qtb_instance qtb_hostapi qhost)
add_dependencies(benchmarks inputs_bench)
