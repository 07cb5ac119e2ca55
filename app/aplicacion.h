#pragma once
// The program's application object: Qt's, with one net under every event
// handler. A failure that no handler trapped and that would run out of the
// event loop is reported like any other, and the program goes on: the work
// in the open windows is kept.

#include <QApplication>

class AplicacionTolvek : public QApplication {
    Q_OBJECT
public:
    AplicacionTolvek(int& argc, char** argv);

    bool notify(QObject* receptor, QEvent* evento) override;
};
