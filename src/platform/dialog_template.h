#pragma once
// Dialog templates as data: every control with its id, kind, place and size in
// dialog units, its German and English text and a few style flags. The
// builder (dialog_builder.h) turns a template into widgets.

#include <cstdint>
#include <span>

namespace ombrix {

enum class ControlKind {
    StaticText,
    Edit,
    PasswordEdit,
    PushButton,
    DefaultPushButton,
    CheckBox,
    Radio,
    GroupBox,
    ComboBox,
    ListView, // a placeholder that the owner replaces with its own list widget
    ProgressBar,
    Slider,
    Picture, // a placeholder label; the owner sets a pixmap or replaces it
};

namespace style {
inline constexpr std::uint32_t None = 0;
inline constexpr std::uint32_t Hidden = 1u << 0;
inline constexpr std::uint32_t Disabled = 1u << 1;
inline constexpr std::uint32_t MultiLine = 1u << 2;
inline constexpr std::uint32_t ReadOnly = 1u << 3;
inline constexpr std::uint32_t Numeric = 1u << 4;
inline constexpr std::uint32_t CenterText = 1u << 5;
inline constexpr std::uint32_t RightText = 1u << 6;
inline constexpr std::uint32_t SunkenEdge = 1u << 7;
inline constexpr std::uint32_t GroupStart = 1u << 8; // a radio that begins a new group
inline constexpr std::uint32_t Vertical = 1u << 9;   // slider
// Dialog-level flags.
inline constexpr std::uint32_t NoSystemMenu = 1u << 16; // caption without a close box
inline constexpr std::uint32_t Resizable = 1u << 17;
} // namespace style

// Controls without an id of their own use this one; they cannot be found by id.
inline constexpr int kNoControlId = -1;

struct ControlTemplate {
    int id;
    ControlKind kind;
    int x, y, width, height; // dialog units
    const char* german;      // UTF-8; nullptr for none
    const char* english;     // nullptr: the German text serves both languages
    std::uint32_t style = style::None;
};

struct DialogTemplate {
    int id;
    int width, height; // dialog units
    const char* germanTitle;
    const char* englishTitle;
    std::uint32_t style;
    std::span<const ControlTemplate> controls;
};

} // namespace ombrix
