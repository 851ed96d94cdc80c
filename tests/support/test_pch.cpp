// The translation unit that precompiles GoogleTest's headers for every test
// target (ombrix_test_pch in tests/CMakeLists.txt); it has no code of its own.
