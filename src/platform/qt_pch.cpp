// The translation unit that precompiles the Qt headers the window-side
// libraries share (ombrix_qt_pch in src/platform/CMakeLists.txt); it has no
// code of its own.
