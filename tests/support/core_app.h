#pragma once

// The one QCoreApplication a test program without widgets needs for its
// event loop and timers, made the first time a test asks for it.
#include <QCoreApplication>

namespace tern::test {

inline void EnsureCoreApp() {
    if (QCoreApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "tests";
        static char* argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
    }
}

}  // namespace tern::test
