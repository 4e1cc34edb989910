#include "gui/form_window.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QTabBar>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>
#include <utility>

#include "gui/list_rows_model.hpp"
#include "gui/text.hpp"
#include "host/form_view.hpp"
#include "host/transcript.hpp"
#include "vbrt/common_controls.hpp"
#include "vbrt/error.hpp"
#include "vbrt/forms.hpp"

namespace vbgui {

namespace {
constexpr long kTwipsPerPixel = 15;
// A form's Width and Height include its border and caption, in twips.
constexpr long kBorderWidth = 120;
constexpr long kBorderHeight = 405;

QIcon IconOf(const platform::Picture& picture) { return picture.xpm ? QIcon(QPixmap(picture.xpm)) : QIcon(); }

QString SizeKey(const std::string& form) { return "dialogs/" + QString::fromStdString(form) + "/size"; }

ListRowsModel* RowsOf(QTreeView* list) { return dynamic_cast<ListRowsModel*>(list->model()); }

}  // namespace

FormWindow::FormWindow(vb::Form& form, QtFormsUi& ui) : form_(&form), ui_(ui) {
  setObjectName(QString::fromStdString(form.Name()));
  setAttribute(Qt::WA_DeleteOnClose, false);
  Build();
  if (form.Width > kBorderWidth && form.Height > kBorderHeight) {
    // The form's design size is the least it needs; the person may make it larger.
    const QSize design(static_cast<int>((form.Width - kBorderWidth) / kTwipsPerPixel),
                       static_cast<int>((form.Height - kBorderHeight) / kTwipsPerPixel));
    setMinimumSize(design);
    resize(design);
  }
  if (!ui.settings_file().empty()) {
    const QSize kept = QSettings(QString::fromStdString(ui.settings_file()), QSettings::IniFormat)
                           .value(SizeKey(form.Name()))
                           .toSize();
    if (kept.isValid()) {
      resize(kept.expandedTo(minimumSize()));
      remembered_ = true;
    }
  }
  // A form without a caption (the progress window) has no title bar, where the window system would
  // put the program's name.
  if (form.Caption().empty()) setWindowFlag(Qt::FramelessWindowHint);
  // Where the form says, around the same centre when the window is larger than the form.
  const QSize grown = minimumSize().isEmpty() ? QSize() : size() - minimumSize();
  move(static_cast<int>(form.Left / kTwipsPerPixel) - grown.width() / 2,
       static_cast<int>(form.Top / kTwipsPerPixel) - grown.height() / 2);
  Sync();
}

// A form placed nowhere opens over the IDE's main window, not at the screen's corner.
void FormWindow::PlaceOverMainWindow() {
  if (!form_ || form_->Left != 0 || form_->Top != 0) return;
  // Its form's size, else what its controls ask for now, as showing would give it.
  if (!testAttribute(Qt::WA_Resized)) adjustSize();
  const QSize own = size();
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->objectName() == "vbhost" && w->isVisible())
      move(w->frameGeometry().center() - QPoint(own.width() / 2, own.height() / 2));
  }
}

void FormWindow::FitToContent() {
  if (remembered_ || settled_ || !form_) return;
  // The lists' sizes are known once the window is laid out on screen.
  if (!isVisible()) return;
  QSize want = size();
  for (QTreeView* list : findChildren<QTreeView*>()) {
    const QAbstractItemModel* rows = list->model();
    if (rows->rowCount() == 0 || list->isHidden()) continue;
    // Each column as wide as its widest text, the first with its icon; a cell's margins on top.
    const QFontMetrics metrics = list->fontMetrics();
    int width = 2 * list->frameWidth() + list->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < rows->columnCount(); ++c) {
      int column = list->header()->sectionSizeHint(c);
      for (int i = 0; i < rows->rowCount(); ++i)
        column = std::max(column, metrics.horizontalAdvance(rows->index(i, c).data().toString()) + 12 +
                                      (c == 0 ? std::max(16, list->iconSize().width()) + 8 : 0));
      width += column;
    }
    const int height = 2 * list->frameWidth() + list->header()->sizeHint().height() +
                       rows->rowCount() * std::max(1, list->sizeHintForRow(0));
    const QSize shown = list->size();
    want = want.expandedTo(size() + QSize(width - shown.width(), height - shown.height()));
  }
  const QScreen* on = screen() ? screen() : QApplication::primaryScreen();
  if (on) want = want.boundedTo(on->availableGeometry().size() * 0.85);
  want = want.expandedTo(minimumSize());
  if (want == size()) return;
  // Grown around its centre: a form the add-in centred stays centred.
  const QPoint centre = geometry().center();
  resize(want);
  move(centre - QPoint(want.width() / 2, want.height() / 2));
  PlaceOverMainWindow();
}

void FormWindow::Detach() {
  form_ = nullptr;
  // The lists' rows go with the form.
  for (QTreeView* list : findChildren<QTreeView*>()) {
    if (ListRowsModel* rows = RowsOf(list)) rows->Detach();
  }
}

void FormWindow::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  // The size the person left it at, for this form's next window, in this run or the next.
  // Dialogs only: a window that was never a modal show (the progress window) keeps its form's size.
  if (form_ && settled_ && !ui_.settings_file().empty() && !minimumSize().isEmpty())
    QSettings(QString::fromStdString(ui_.settings_file()), QSettings::IniFormat)
        .setValue(SizeKey(form_->Name()), size());
}

const vb::ImageList* FormWindow::Images(const std::string& name) const {
  if (!form_) return nullptr;
  return dynamic_cast<const vb::ImageList*>(form_->FindControl(name));
}

void FormWindow::Build() {
  auto* main = new QVBoxLayout(this);
  QBoxLayout* current = main;
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  for (vb::Control* control : form_->Controls()) {
    if (auto* tabs = dynamic_cast<vb::TabStrip*>(control)) {
      tabs_ = new QTabBar(this);
      for (const auto& tab : tabs->Tabs()) tabs_->addTab(FromCp(tab));
      connect(tabs_, &QTabBar::currentChanged, this, [this, tabs](int index) {
        if (!syncing_) Act(tabs->Name() + "_Click", [tabs, index] { tabs->ClickTab(index + 1); });
      });
      widgets_[control] = tabs_;
      main->addWidget(tabs_);
    } else if (dynamic_cast<vb::Frame*>(control)) {
      // A frame is a tab's page: the controls after it are its own, up to the next frame.
      auto* page = new QWidget(this);
      page->setObjectName(QString::fromStdString(control->Name()));
      current = new QVBoxLayout(page);
      current->setContentsMargins(0, 0, 0, 0);
      widgets_[control] = page;
      main->addWidget(page, 1);
    } else if (auto* button = dynamic_cast<vb::CommandButton*>(control)) {
      auto* b = new QPushButton(FromCp(button->Caption()), this);
      b->setObjectName(QString::fromStdString(button->Name()));
      b->setDefault(button->Default());
      b->setAutoDefault(false);
      connect(b, &QPushButton::clicked, this,
              [this, button] { Act(button->Name() + "_Click", [button] { button->Press(); }); });
      widgets_[control] = b;
      buttons->addWidget(b);
    } else if (QWidget* w = Make(*control)) {
      widgets_[control] = w;
      current->addWidget(w,
                         dynamic_cast<vb::ListView*>(control) || dynamic_cast<vb::ListBox*>(control) ? 1 : 0);
    }
  }
  if (current != main) current->addStretch();
  main->addLayout(buttons);
}

QWidget* FormWindow::Make(vb::Control& control) {
  QWidget* made = nullptr;
  if (auto* label = dynamic_cast<vb::Label*>(&control)) {
    auto* l = new QLabel(this);
    l->setWordWrap(true);
    made = l;
    (void)label;
  } else if (auto* box = dynamic_cast<vb::CheckBox*>(&control)) {
    auto* c = new QCheckBox(FromCp(box->Caption()), this);
    c->setTristate(false);
    connect(c, &QCheckBox::clicked, this,
            [this, box] { Act(box->Name() + "_Click", [box] { box->MouseClick(); }); });
    made = c;
  } else if (auto* list = dynamic_cast<vb::ListView*>(&control)) {
    auto* t = new QTreeView(this);
    t->setRootIsDecorated(false);
    t->setSortingEnabled(false);
    t->setUniformRowHeights(true);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(list->MultiSelect ? QAbstractItemView::ExtendedSelection
                                          : QAbstractItemView::SingleSelection);
    // Rows the add-in added or cleared unannounced are read again once it yields.
    auto* rows = new ListRowsModel(
        *list, [this, list] { SyncControl(list); }, t);
    t->setModel(rows);
    t->header()->setSectionsClickable(true);
    t->header()->setStretchLastSection(true);
    connect(t->header(), &QHeaderView::sectionClicked, this, [this, list](int section) {
      Act(list->Name() + "_ColumnClick", [list, section] { list->ClickColumn(section + 1); });
    });
    // The rows whose selection the person changed, and only those, take the view's.
    connect(t->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this, rows, t](const QItemSelection& selected, const QItemSelection& deselected) {
              if (syncing_ || !form_) return;
              for (const QItemSelection* changed : {&deselected, &selected}) {
                for (const QItemSelectionRange& range : *changed) {
                  for (int i = range.top(); i <= range.bottom(); ++i) {
                    if (vb::ListItem* row = rows->Row(i))
                      row->Selected = t->selectionModel()->isSelected(rows->index(i, 0));
                  }
                }
              }
            });
    made = t;
  } else if (auto* bar = dynamic_cast<vb::Toolbar*>(&control)) {
    auto* tb = new QToolBar(this);
    const vb::ImageList* images = Images(bar->ImageList());
    for (const auto& b : bar->Buttons()) {
      QIcon icon;
      if (images && b.Image >= 1 && b.Image <= static_cast<int>(images->ListImages().size()))
        icon = IconOf(images->ListImages()[b.Image - 1]);
      QAction* a = tb->addAction(icon, FromCp(b.Key));
      a->setObjectName(QString::fromStdString(b.Key));
      a->setToolTip(FromCp(b.ToolTipText));
      std::string key = b.Key;
      connect(a, &QAction::triggered, this, [this, bar, key] {
        Act(bar->Name() + "_ButtonClick", [bar, key] { bar->Press(key); });
        // The rows the button selected may lie below the fold: the first of them is shown.
        for (QTreeView* list : findChildren<QTreeView*>()) {
          int first = -1;
          for (const QItemSelectionRange& range : list->selectionModel()->selection())
            first = first < 0 ? range.top() : std::min(first, range.top());
          if (first >= 0) list->scrollTo(list->model()->index(first, 0), QAbstractItemView::PositionAtTop);
        }
      });
    }
    tb->setToolButtonStyle(Qt::ToolButtonIconOnly);
    made = tb;
  } else if (auto* lines = dynamic_cast<vb::ListBox*>(&control)) {
    auto* l = new QListWidget(this);
    connect(l, &QListWidget::currentRowChanged, this, [this, lines](int row) {
      if (!syncing_) Act(lines->Name() + "_Click", [lines, row] { lines->SetListIndex(row); });
    });
    made = l;
  } else if (dynamic_cast<vb::ProgressBar*>(&control)) {
    made = new QProgressBar(this);
  } else if (auto* picture = dynamic_cast<vb::PictureBox*>(&control)) {
    if (!picture->Image().xpm) return nullptr;
    auto* l = new QLabel(this);
    l->setPixmap(QPixmap(picture->Image().xpm));
    made = l;
  }
  if (made) {
    made->setObjectName(QString::fromStdString(control.Name()));
    made->setToolTip(FromCp(control.ToolTipText));
  }
  return made;
}

void FormWindow::Sync() {
  if (!form_) return;
  setWindowTitle(FromCp(form_->Caption()));
  for (const auto& [control, widget] : widgets_) SyncControl(control);
}

void FormWindow::SyncControl(vb::Control* control) {
  if (!form_) return;
  if (!control) {
    setWindowTitle(FromCp(form_->Caption()));
    return;
  }
  auto it = widgets_.find(control);
  if (it == widgets_.end()) return;
  QWidget* w = it->second;
  syncing_ = true;
  w->setVisible(control->Visible());
  w->setEnabled(control->Enabled());
  if (auto* label = dynamic_cast<vb::Label*>(control)) {
    static_cast<QLabel*>(w)->setText(LabelText(label->Caption()));
  } else if (auto* box = dynamic_cast<vb::CheckBox*>(control)) {
    static_cast<QCheckBox*>(w)->setCheckState(box->Value() == vb::vbChecked  ? Qt::Checked
                                              : box->Value() == vb::vbGrayed ? Qt::PartiallyChecked
                                                                             : Qt::Unchecked);
  } else if (auto* tabs = dynamic_cast<vb::TabStrip*>(control)) {
    static_cast<QTabBar*>(w)->setCurrentIndex(tabs->SelectedIndex() - 1);
  } else if (auto* list = dynamic_cast<vb::ListView*>(control)) {
    auto* t = static_cast<QTreeView*>(w);
    ListRowsModel* rows = RowsOf(t);
    // Read afresh: the person's place in the list stays.
    const int scrolled = t->verticalScrollBar()->value();
    const vb::ImageList* images = Images(list->Icons);
    const int columns = static_cast<int>(list->ColumnHeaders().size());
    // One icon per image, shared by the rows: a large project's list holds no picture per row.
    std::vector<QIcon> icons;
    if (images) {
      for (const auto& picture : images->ListImages()) icons.push_back(IconOf(picture));
    }
    rows->Reset(std::move(icons));
    // The selection the rows hold, a range per run of selected rows.
    QItemSelection selected;
    const std::vector<vb::ListItem*>& order = list->Ordered();
    for (int i = 0; i < static_cast<int>(order.size());) {
      if (!order[static_cast<std::size_t>(i)]->Selected) {
        ++i;
        continue;
      }
      const int top = i;
      while (i < static_cast<int>(order.size()) && order[static_cast<std::size_t>(i)]->Selected) ++i;
      selected.select(rows->index(top, 0), rows->index(i - 1, std::max(0, columns - 1)));
    }
    t->selectionModel()->select(selected, QItemSelectionModel::ClearAndSelect);
    // The indicator tells the model's sort; the rows above are already in its order.
    t->header()->setSortIndicatorShown(list->Sorted);
    t->header()->setSortIndicator(
        list->SortKey, list->SortOrder == vb::lvwDescending ? Qt::DescendingOrder : Qt::AscendingOrder);
    for (int c = 0; c + 1 < columns; ++c) t->resizeColumnToContents(c);
    t->verticalScrollBar()->setValue(scrolled);
  } else if (auto* lines = dynamic_cast<vb::ListBox*>(control)) {
    auto* l = static_cast<QListWidget*>(w);
    l->clear();
    for (const auto& entry : lines->Items()) l->addItem(FromCp(entry));
    l->setCurrentRow(lines->ListIndex());
    if (lines->HasFocus()) l->setFocus();
  } else if (auto* bar = dynamic_cast<vb::ProgressBar*>(control)) {
    auto* p = static_cast<QProgressBar*>(w);
    p->setRange(static_cast<int>(bar->Min()), static_cast<int>(bar->Max()));
    p->setValue(static_cast<int>(bar->Value()));
  } else if (auto* button = dynamic_cast<vb::CommandButton*>(control)) {
    static_cast<QPushButton*>(w)->setText(FromCp(button->Caption()));
  }
  syncing_ = false;
}

void FormWindow::Act(const std::string& where, const std::function<void()>& action) {
  if (!form_) return;
  ui_.Act(form_->Name() + "." + where, action);
  if (form_) Sync();
}

void FormWindow::reject() {
  // Esc presses the cancel button, as on the form; a form without one stays.
  if (!form_) return;
  for (vb::Control* control : form_->Controls()) {
    auto* button = dynamic_cast<vb::CommandButton*>(control);
    if (button && button->Cancel() && button->Enabled() && button->Visible()) {
      Act(button->Name() + "_Click", [button] { button->Press(); });
      return;
    }
  }
}

void FormWindow::closeEvent(QCloseEvent* event) {
  // The close box unloads the form, as VB's does; the add-in's Form_Unload may refuse.
  event->ignore();
  if (!form_) return;
  vb::Form* form = form_;
  Act("Unload", [form] { form->Unload(); });
}

// ---- QtFormsUi

QtFormsUi::~QtFormsUi() {
  for (auto& [name, window] : windows_) delete window;
}

FormWindow* QtFormsUi::Window(const std::string& form) const {
  auto it = windows_.find(form);
  return it == windows_.end() ? nullptr : it->second;
}

void QtFormsUi::Loaded(vb::Form& form) {
  if (transcript_) transcript_->FormLife(form.Name(), "load");
}

void QtFormsUi::Shown(vb::Form& form, bool modal) {
  if (transcript_) transcript_->FormLife(form.Name(), modal ? "showmodal" : "show");
  FormWindow* window = Window(form.Name());
  if (window && window->form() != &form) {
    window->deleteLater();
    window = nullptr;
  }
  if (!window) {
    window = new FormWindow(form, *this);
    windows_[form.Name()] = window;
  }
  window->Sync();
  const bool opening = !window->isVisible();
  if (opening) window->PlaceOverMainWindow();
  window->setWindowModality(modal ? Qt::ApplicationModal : Qt::NonModal);
  window->show();
  if (opening) window->FitToContent();
  window->raise();
  if (!modal) window->repaint();
}

void QtFormsUi::RunModal(vb::Form& form, const std::function<bool()>& showing) {
  FormWindow* window = Window(form.Name());
  if (window) {
    window->Sync();
    // Its rows may have come with its Activate, after it showed; from then on its size is the
    // person's.
    window->FitToContent();
    window->Settle();
    window->activateWindow();
  }
  if (transcript_) {
    transcript_->Dialog(form, "shown");
    transcript_->Flush();
  }
  QEventLoop loop;
  modals_.push_back({&loop, &showing});
  while (showing() && !pending_) loop.exec();
  modals_.pop_back();
  // The form may be unloaded by now; it stays alive until the add-in's call returns. What the
  // person answered is seen before the work it starts.
  if (transcript_ && !pending_) {
    transcript_->Dialog(form, "closed");
    transcript_->Flush();
  }
  // On through the add-in's frames to the next modal loop or the outermost call.
  if (pending_) std::rethrow_exception(std::exchange(pending_, nullptr));
}

void QtFormsUi::Act(const std::string& where, const std::function<void()>& action) {
  try {
    call_(where, action);
  } catch (...) {
    // Never through Qt's frames: the modal loops end and RunModal passes it on. Outside a modal
    // show the session's outermost call has ended the add-in already.
    if (!modals_.empty()) pending_ = std::current_exception();
  }
  EndFinishedModals();
}

void QtFormsUi::EndFinishedModals() {
  for (const Modal& m : modals_) {
    if (pending_ || !(*m.showing)()) m.loop->quit();
  }
}

void QtFormsUi::Hidden(vb::Form& form) {
  if (transcript_) transcript_->FormLife(form.Name(), "hide");
  if (FormWindow* window = Window(form.Name())) window->hide();
  EndFinishedModals();
}

void QtFormsUi::Unloaded(std::string_view form_name) {
  if (transcript_) transcript_->FormLife(form_name, "unload");
  auto it = windows_.find(std::string(form_name));
  if (it != windows_.end()) {
    it->second->Detach();
    it->second->hide();
    it->second->deleteLater();
    windows_.erase(it);
  }
  EndFinishedModals();
}

void QtFormsUi::PropertyWritten(vb::Form& form, vb::Control* control, std::string_view property) {
  if (transcript_) transcript_->PropertyWritten(form, control, property);
  FormWindow* window = Window(form.Name());
  if (!window || window->form() != &form) return;
  window->SyncControl(control);
  // The window repaints while the add-in works, but takes no input until it yields. A lock pass
  // writes twice per component: it is drawn at the screen's pace, the writes between drawn by the
  // next paint or the next yield.
  if (!window->isVisible()) return;
  constexpr qint64 kFrameMs = 16;
  if (painted_.isValid() && painted_.elapsed() < kFrameMs) {
    window->update();
    return;
  }
  painted_.start();
  window->repaint();
  if (paced_paint_) paced_paint_();
}

long QtFormsUi::ScreenWidth() const {
  QScreen* screen = QApplication::primaryScreen();
  return screen ? screen->geometry().width() * kTwipsPerPixel : 15360;
}

long QtFormsUi::ScreenHeight() const {
  QScreen* screen = QApplication::primaryScreen();
  return screen ? screen->geometry().height() * kTwipsPerPixel : 11520;
}

}  // namespace vbgui
