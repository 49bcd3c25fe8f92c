// The main window's charts: clearing, samples in, zoom, scroll and the cursor.

#include "app/mainform.h"
#include "files/datafilereader.h"

void TMainForm::ClearCharts() {}
void TMainForm::appendSample(double, const std::array<double, 5>&) {}
void TMainForm::dropOldestSample() {}
void TMainForm::appendSeries(const kordel::SeriesData&) {}
void TMainForm::FitZoomBars() {}
void TMainForm::ScrollByKey(int) {}
void TMainForm::SpeedButton9Click() {}
void TMainForm::SpeedButton10Click() {}
void TMainForm::CrossMouseCBClick() {}
void TMainForm::XZoomlerChanged() {}
void TMainForm::Zoomler0Changed(int) {}
