// The main window's side of the instrument's replies and the Status command.

#include "app/mainform.h"

void TMainForm::SpeedButton5Click() {}

void TMainForm::CollectReply(const QByteArray&) {}
