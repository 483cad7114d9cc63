// The handlers of 誤差設定 and 同　期.
#include "app/correction.h"
#include "app/kestrum1.h"

namespace kestrum::app {

void TKestrumForm::btn_setClick() {
  EnableControls(false);
  TCorrection correction(view_, *progress_, services_.clock);
  offset_hundredths = correction.Run(offset_hundredths);
  last_report_ = correction.Report();
  if (last_report_ == TCorrectionReport::kRefused && !unattended) OfferElevatedSync();
  EnableControls(true);
  if (!unattended) btn_set->SetFocus();
}

void TKestrumForm::btn_syncClick() {
  btn_getClick();
  btn_setClick();
  if (!unattended) btn_sync->SetFocus();
}

}  // namespace kestrum::app
