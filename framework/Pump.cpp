#include "framework/Pump.h"

#include <QCoreApplication>
#include <QEventLoop>

void ProcessMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void WaitMessage() {
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}
