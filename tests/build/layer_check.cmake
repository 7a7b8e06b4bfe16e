# Runs the layer check over two made-up folders: one whose file includes a
# header of a layer above must stop with a message naming the file, one
# without must pass. Run as: cmake -DHELPERS=... -DWORK=... -P layer_check.cmake
include(${HELPERS})
set(PROJECT_SOURCE_DIR ${WORK})
file(REMOVE_RECURSE ${WORK})
file(WRITE ${WORK}/good/a.cpp "#include \"core/net/protocol.h\"\n#include <QString>\n")
file(WRITE ${WORK}/bad/b.h "#pragma once\n  #  include <QtWidgets/QWidget>\n")
# A main file named by EXCEPT may include what the rest may not.
file(WRITE ${WORK}/good/main.cpp "#include \"gui/window.h\"\n")
if(STAGE STREQUAL "good")
  tern_check_layer(good ${WORK}/good FORBID "gui/" "QtWidgets" EXCEPT main.cpp)
  message(STATUS "layer check: a clean folder passes")
else()
  tern_check_layer(bad ${WORK}/bad FORBID "gui/" "QtWidgets")
endif()
