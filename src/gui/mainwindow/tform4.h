#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class Form4;
}

namespace tern::gui {

// The second form of the program: created at start-up, never shown, no
// behaviour of its own.
class TForm4 : public QWidget {
    Q_OBJECT
  public:
    explicit TForm4(QWidget* parent = nullptr);
    ~TForm4() override;

  private:
    std::unique_ptr<Ui::Form4> ui_;
};

}  // namespace tern::gui
