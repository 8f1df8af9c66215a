#pragma once

#include <QDialog>

class QCheckBox;

// The sheet that introduces cooking mode before it starts: what it does, the spoken commands, and
// a way not to see the sheet again.
class CookingModeSheet : public QDialog
{
    Q_OBJECT

public:
    explicit CookingModeSheet(QWidget* parent = nullptr);

    // False once the user has asked not to see the sheet again.
    bool showAgain() const;

    // Runs the sheet on the window: true when the user goes on to cooking mode.
    static bool run(QWidget* window, bool& showAgain);

private:
    QCheckBox* m_dontShowAgain;
};
