#pragma once
// The data-set field an edit control can be bound to. The data-set framework itself is the
// platform's; the edit only makes these calls, so tests bind a fake field.

#include <string>

namespace kestrum::lib {

class TEditField {
 public:
  virtual ~TEditField() = default;

  // True while the field's record is being edited (edit or insert mode).
  virtual bool Editing() const = 0;
  // Puts the record into edit mode.
  virtual void Edit() = 0;
  virtual bool CanModify() const = 0;
  // Bytes a text field holds; 0 for a field without a size.
  virtual int Size() const = 0;
  virtual bool IsNumeric() const = 0;
  virtual void SetDisplayFormat(const std::string& format) = 0;

  // The stored value as text; setting it may throw when the field refuses the value.
  virtual std::string Text() const = 0;
  virtual void SetText(const std::string& text) = 0;
  // The value as shown while not editing, and as edited.
  virtual std::string DisplayText() const = 0;
  virtual std::string EditText() const = 0;
};

}  // namespace kestrum::lib
