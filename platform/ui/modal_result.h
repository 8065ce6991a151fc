#pragma once
// Results of windows that close with more than accept / reject, numbered as
// the program's windows always were (OK is QDialog::Accepted).
namespace tv {

enum ModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

}  // namespace tv
