#pragma once
// The about box, one class per language with a template of its own.

#include <QDialog>
#include <memory>

namespace ombrix {

struct DialogTemplate;

class AboutBox : public QDialog {
protected:
    AboutBox(const DialogTemplate& tmpl, QWidget* parent);
};

// German.
class CAbout final : public AboutBox {
public:
    explicit CAbout(QWidget* parent = nullptr);
};

// English.
class AboutEN final : public AboutBox {
public:
    explicit AboutEN(QWidget* parent = nullptr);
};

// The about box of the current language.
std::unique_ptr<AboutBox> makeAboutBox(QWidget* parent = nullptr);

} // namespace ombrix
