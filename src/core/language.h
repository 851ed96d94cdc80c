#pragma once
// The user-interface language: 0 German, 1 English. Chosen once at start-up
// (before any worker thread exists) and read everywhere after.

namespace ombrix {

inline int Language = 1;

// Every user-visible text exists in both languages; this picks one.
inline const char* Text(const char* german, const char* english) {
    return Language == 0 ? german : english;
}

} // namespace ombrix
