#pragma once
// The size drop-down of the output toolbar: an editable field with the list of
// sizes the face FontName offers on this system. Changed() fires on SetSelected,
// on a pick from the list (once) and on every edit of the text.
#include <QComboBox>
#include <QString>

class TLMDFontSizeComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit TLMDFontSizeComboBox(QWidget* parent = nullptr);

  QString FontName() const { return fontName_; }
  void SetFontName(const QString& name);  // rebuilds the list
  int DefaultSize = 10;
  bool EditorEnabled = true;
  bool UseNearestSize = false;

  void SetSelected(int size);
  int GetSelected() const;

  int CheckValue(int size) const;
  void CreateFontSizeList();
  bool IsValidChar(QChar c) const;

  // Leaving the field: the typed text goes back through SetSelected; a text
  // that is no whole number throws quorlin::EConvertError.
  void CMExit();

  // The text read as a whole number with an optional sign; nullopt otherwise.
  static bool ParseInt(const QString& text, int* out);

 signals:
  void Changed();

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;

 private:
  QString fontName_;
  bool setting_ = false;  // inside SetSelected: the edit signal must not fire twice
};
