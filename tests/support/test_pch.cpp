// The translation unit that precompiles the headers the test targets share
// (ombrix_test_pch and ombrix_test_qt_pch in tests/CMakeLists.txt); it has no
// code of its own.
