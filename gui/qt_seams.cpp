#include "gui/qt_seams.hpp"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <algorithm>

#include "gui/text.hpp"
#include "vbrt/error.hpp"

namespace vbgui {

namespace {
constexpr int vbOKCancel = 1;
constexpr int vbAbortRetryIgnore = 2;
constexpr int vbYesNoCancel = 3;
constexpr int vbRetryCancel = 5;
constexpr int vbCritical = 16;

struct Choice {
  QMessageBox::StandardButton button;
  int answer;
};

std::vector<Choice> ButtonsOf(int style) {
  switch (style & 7) {
    case vbOKCancel:
      return {{QMessageBox::Ok, 1}, {QMessageBox::Cancel, 2}};
    case vbAbortRetryIgnore:
      return {{QMessageBox::Abort, 3}, {QMessageBox::Retry, 4}, {QMessageBox::Ignore, 5}};
    case vbYesNoCancel:
      return {{QMessageBox::Yes, 6}, {QMessageBox::No, 7}, {QMessageBox::Cancel, 2}};
    case platform::vbYesNo:
      return {{QMessageBox::Yes, 6}, {QMessageBox::No, 7}};
    case vbRetryCancel:
      return {{QMessageBox::Retry, 4}, {QMessageBox::Cancel, 2}};
    default:
      return {{QMessageBox::Ok, 1}};
  }
}

const char* AnswerName(int answer) {
  static const char* const kNames[] = {"", "OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No"};
  return answer >= 1 && answer <= 7 ? kNames[answer] : "";
}

QMessageBox::Icon IconOf(int style) {
  switch (style & 0x70) {
    case vbCritical:
      return QMessageBox::Critical;
    case platform::vbQuestion:
      return QMessageBox::Question;
    case platform::vbExclamation:
      return QMessageBox::Warning;
    case platform::vbInformation:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}
}  // namespace

int QtDesktop::MsgBox(std::string_view prompt, int style, std::optional<std::string_view> title) {
  QMessageBox box(IconOf(style), title ? FromCp(std::string(*title)) : QStringLiteral("NORBVB5"),
                  Lines(std::string(prompt)), QMessageBox::NoButton, QApplication::activeWindow());
  box.setObjectName("msgbox");
  std::vector<Choice> choices = ButtonsOf(style);
  for (const Choice& c : choices) box.addButton(c.button);
  // The style's default button (the first unless it says otherwise); Esc answers Cancel, else the
  // only button.
  const std::size_t default_index = std::min<std::size_t>(
      choices.size() - 1,
      (style & (platform::vbDefaultButton2 | platform::vbDefaultButton3)) / platform::vbDefaultButton2);
  box.setDefaultButton(choices[default_index].button);
  if (choices.size() == 1) box.setEscapeButton(choices.front().button);
  box.setWindowModality(Qt::ApplicationModal);
  if (style & platform::vbSystemModal) box.setWindowFlag(Qt::WindowStaysOnTopHint);
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  // Closed without a button: the box's escape answer.
  int answer = (style & 7) == platform::vbYesNo ? platform::vbNo : choices.back().answer;
  for (const Choice& c : choices) {
    if (clicked && box.standardButton(clicked) == c.button) answer = c.answer;
  }
  observer_.Emit(vbhost::events::MsgBox{std::string(prompt), style, AnswerName(answer),
                                        title ? std::optional<std::string>(*title) : std::nullopt});
  return answer;
}

void QtDesktop::SetForegroundWindow(std::string_view form) {
  observer_.Emit(vbhost::events::Foreground{std::string(form)});
  raise_(std::string(form));
}

void QtDesktop::DoEvents() {
  QApplication::processEvents();
  pump_();
}

void QtDesktop::ShowHelp(std::string_view form, std::string_view help_file) {
  observer_.Emit(vbhost::events::Help{std::string(form), std::string(help_file)});
  help_(std::string(help_file));
}

QtClipboard::QtClipboard() {
  watch_ = QObject::connect(QApplication::clipboard(), &QClipboard::dataChanged, [this] {
    if (!writing_) picture_.reset();
  });
}

QtClipboard::~QtClipboard() { QObject::disconnect(watch_); }

platform::ClipboardContent QtClipboard::GetData() {
  if (picture_) return *picture_;
  QString text = QApplication::clipboard()->text();
  if (!text.isEmpty()) return ToCp(text);
  return std::monostate{};
}

void QtClipboard::SetData(const platform::ClipboardContent& content) {
  QClipboard* board = QApplication::clipboard();
  writing_ = true;
  picture_.reset();
  if (const auto* text = std::get_if<std::string>(&content)) {
    board->setText(FromCp(*text));
  } else if (const auto* picture = std::get_if<platform::Picture>(&content)) {
    picture_ = *picture;
    seen_[picture->index] = *picture;
    board->setImage(picture->xpm ? QPixmap(picture->xpm).toImage() : QImage());
  } else {
    board->clear();
  }
  writing_ = false;
}

const platform::Picture* QtClipboard::PictureAt(int index) const {
  auto it = seen_.find(index);
  return it == seen_.end() ? nullptr : &it->second;
}

}  // namespace vbgui
