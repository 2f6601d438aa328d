#pragma once

#include <QComboBox>

namespace quendal {

class RouterWatch;

// A choice of the router watched, among those that sent status reports; every box on one
// RouterWatch shows and sets the same choice.
class RouterChoiceBox : public QComboBox
{
    Q_OBJECT

public:
    RouterChoiceBox(RouterWatch* watch, QWidget* parent = nullptr);

private:
    void showChosen();

    RouterWatch* watch_;
};

} // namespace quendal
