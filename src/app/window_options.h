#pragma once

#include <QCommandLineParser>
#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>
#include <variant>

namespace tern::app {

// The exit status of a command line the window refuses after reading it
// (an option Qt's parser does not know ends with 1, as Qt ends it).
inline constexpr int kExitUsage = 2;

inline constexpr int kDemoDefaultAps = 8;
inline constexpr int kDemoMaxAps = 5000;
// A picture larger than this per side takes minutes to allocate and paint,
// or more memory than the painter can address; smaller than this holds no
// page at all.
inline constexpr int kScreenshotSideMin = 16;
inline constexpr int kScreenshotSideMax = 8192;

struct WindowOptions {
    bool demo = false;
    int demoCount = kDemoDefaultAps;
    bool oldFirmware = false;
    QStringList interfaces;
    std::optional<QString> screenshotsDir;
    std::optional<QSize> screenshotsSize;
    bool quitAfterStart = false;
};

// Declares the window's options and its one positional argument on `parser`,
// --help and --version included.
void AddWindowOptions(QCommandLineParser& parser);

// What a command line `parser` has parsed asks for, or the line (without
// the program's name) that says what is wrong with it.
std::variant<WindowOptions, QString> WindowOptionsFrom(const QCommandLineParser& parser);

// "WIDTHxHEIGHT", each side 16..8192 in digits only; else the line that
// names the option, the value and what it takes.
std::variant<QSize, QString> ParseScreenshotsSize(const QString& value);

// Whether the arguments (the program's name first) ask for what is answered
// without a display: the options or the version.
bool AsksForHelp(const QStringList& arguments);
bool AsksForVersion(const QStringList& arguments);

}  // namespace tern::app
