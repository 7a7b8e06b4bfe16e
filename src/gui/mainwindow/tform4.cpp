#include "gui/mainwindow/tform4.h"

#include "ui_tform4.h"

namespace tern::gui {

TForm4::TForm4(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::Form4>()) {
    ui_->setupUi(this);
}

TForm4::~TForm4() = default;

}  // namespace tern::gui
