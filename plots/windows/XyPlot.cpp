#include "plots/windows/XyPlot.h"

#include <algorithm>
#include <utility>

#include <QCloseEvent>
#include <QMoveEvent>
#include <QPalette>
#include <QResizeEvent>
#include <QWheelEvent>

#include "plots/windows/CurveCheckBox.h"
#include "plots/windows/StatusPanel.h"

namespace gnsslog {

namespace {

using namespace ErrorPlotWindowSize;

constexpr int StatusBarHeight = 27;
constexpr int GroupHeight = 116;
constexpr int ControlWidth = 85;

const char* fixText(std::uint8_t fixType)
{
    switch (fixType) {
    case FixType::RtkFixed:
        return "RTK FIX";
    case FixType::RtkFloat:
        return "RTK FLOAT";
    case FixType::RtkX:
        return "RTKX";
    default:
        return "SPS";
    }
}

}  // namespace

TXYPlotForm::TXYPlotForm(QWidget* mainWindow, const QString& caption, const GNSSLog* analysis,
                         std::shared_ptr<const ErrorPlotIndex> index)
    : TPlotWindow(caption),
      Analysis(analysis),
      mainWindow_(mainWindow)
{
    createControls();
    // The smallest outer size less the designed frame, until the real frame
    // is known: applied to the client as it stands it would widen it.
    setMinimumSize(MinimumOuterWidth - DesignedFrame::Width, MinimumOuterHeight - DesignedFrame::Height);
    resize(DesignedClientWidth, DesignedClientHeight);
    if (Analysis != nullptr) {
        index_ = index != nullptr ? std::move(index) : std::make_shared<const ErrorPlotIndex>(*Analysis);
        View.reset(*Analysis);
    }
    rebuildSeries();
    showLastEpoch();
}

TXYPlotForm::~TXYPlotForm() = default;

void TXYPlotForm::showLastEpoch()
{
    // Until the first read-out the status line shows the log's last epoch,
    // not the design's placeholder zeros.
    if (Analysis != nullptr && !Analysis->records.empty()) {
        GNSSRecord last = Analysis->records.back();
        last.localX = Analysis->truthX() - last.localX;
        last.localY = Analysis->truthY() - last.localY;
        last.height = Analysis->truthZ() - last.height;
        showSample(last);
    }
}

void TXYPlotForm::createControls()
{
    Image1 = new TImage(this);
    Image1->setGeometry(18, 16, 512, 389);
    Image1->setToolTip(QStringLiteral("Right click for zoom!"));
    Image1->setMouseTracking(true);
    Image1->OnMouseMove = [this](int x, int y) { Image1MouseMove(x, y); };
    createStatusBar();
    createScaleGroup();
    createCheckBoxes();
    createPopupMenu();
}

void TXYPlotForm::createStatusBar()
{
    struct Panel {
        int width;
        Qt::Alignment alignment;
        const char* text;
    };
    static constexpr Panel panels[8] = {
        {105, Qt::AlignHCenter, "Time: 00000000.00 s"},
        {80, Qt::AlignHCenter, "X-Err:00.000 m"},
        {85, Qt::AlignHCenter, "Y-Err:-00.000 m"},
        {85, Qt::AlignLeft, "Z-Err:-00.000 m"},
        {50, Qt::AlignHCenter, "Sats: 00"},
        {60, Qt::AlignLeft, "DOP: 0.00"},
        {110, Qt::AlignLeft, "ErrEstimate: 0.000 m"},
        {80, Qt::AlignLeft, "UNK"},
    };
    StatusBar1 = new QStatusBar(this);
    for (std::size_t i = 0; i < StatusPanels.size(); ++i) {
        // Placed by FormResize rather than by the status bar's layout, which
        // squeezes panels over each other when they do not fit.
        auto* label = new StatusPanel(QString::fromLatin1(panels[i].text), panels[i].width, StatusBar1);
        label->setAlignment(panels[i].alignment | Qt::AlignVCenter);
        StatusPanels[i] = label;
    }
}

void TXYPlotForm::createScaleGroup()
{
    GroupBox1 = new QGroupBox(QStringLiteral("Scale"), this);
    GroupBox1->resize(ControlWidth, GroupHeight);
    const auto radio = [this](const char* caption, int top) {
        auto* button = new QRadioButton(QString::fromLatin1(caption), GroupBox1);
        button->setGeometry(5, top, 71, 20);
        connect(button, &QRadioButton::clicked, this, [this] { RadioButton2Click(); });
        return button;
    };
    RadioButton1 = radio("Autoscale", 15);
    RadioButton2 = radio("0.05 m", 30);
    RadioButton3 = radio("0.1 m", 45);
    RadioButton4 = radio("0.2 m", 60);
    RadioButton5 = radio("0.5 m", 75);
    RadioButton6 = radio("1.0 m", 90);
    RadioButton1->setChecked(true);
}

void TXYPlotForm::createCheckBoxes()
{
    const auto box = [this](const char* caption, Curve curve) {
        auto* check = new CurveCheckBox(QString::fromLatin1(caption), QColor::fromRgb(curveColour(curve)), this);
        check->resize(ControlWidth, 20);
        check->setChecked(true);
        connect(check, &QCheckBox::clicked, this, [this] { CheckBox1Click(); });
        return check;
    };
    CheckBox1 = box("X-Error", Curve::XError);
    CheckBox2 = box("Y-Error", Curve::YError);
    CheckBox3 = box("Z-Error", Curve::ZError);
    CheckBox4 = box("3D-Error", Curve::Error3D);
    CheckBox5 = box("SEP", Curve::Sep);
    CheckBox6 = box("GPSSats", Curve::GpsSats);
    CheckBox7 = box("DOP", Curve::Dop);
    CheckBox8 = box("GLNSSats", Curve::GlonassSats);
}

void TXYPlotForm::createPopupMenu()
{
    PopupMenu1 = new QMenu(this);
    Center1 = PopupMenu1->addAction(QStringLiteral("Center"));
    Zoomin1 = PopupMenu1->addAction(QStringLiteral("Zoom in"));
    Zoomout1 = PopupMenu1->addAction(QStringLiteral("Zoom out"));
    Resetzoom1 = PopupMenu1->addAction(QStringLiteral("Reset zoom"));
    connect(Center1, &QAction::triggered, this, [this] { Center1Click(); });
    connect(Zoomin1, &QAction::triggered, this, [this] { Zoomin1Click(); });
    connect(Zoomout1, &QAction::triggered, this, [this] { Zoomout1Click(); });
    connect(Resetzoom1, &QAction::triggered, this, [this] { Resetzoom1Click(); });
    Image1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Image1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->popup(Image1->mapToGlobal(at)); });
}

void TXYPlotForm::SetAnalysis(const GNSSLog* analysis, std::shared_ptr<const ErrorPlotIndex> index)
{
    Analysis = analysis;
    Series.reset();
    index_.reset();
    View.ZoomLevel = 1;
    View.HoveredTime.reset();
    if (Analysis != nullptr) {
        index_ = index != nullptr ? std::move(index) : std::make_shared<const ErrorPlotIndex>(*Analysis);
        View.reset(*Analysis);
    }
    rebuildSeries();
    DrawPlot();
    showLastEpoch();
}

void TXYPlotForm::FollowAnalysis(const GNSSLog* analysis, std::shared_ptr<const ErrorPlotIndex> index)
{
    if (View.ZoomLevel <= 1 || analysis == nullptr) {
        SetAnalysis(analysis, std::move(index));
        return;
    }
    Analysis = analysis;
    Series.reset();
    index_ = index != nullptr ? std::move(index) : std::make_shared<const ErrorPlotIndex>(*Analysis);
    rebuildSeries();
    DrawPlot();
}

void TXYPlotForm::rebuildSeries()
{
    Series.reset();
    Columns = DenseColumns{};
    if (index_ != nullptr) {
        Series = PointStore::build(Image1->width() - 50, index_->series, View.CentreTime, View.TimeSpan);
        Columns = denseColumns(index_->columns, Image1->width() - 50, View.CentreTime, View.TimeSpan);
    }
}

void TXYPlotForm::FormResize()
{
    // The outer size, borders and caption included, as the window system
    // reports it. The smallest outer size is a client size to Qt, so the
    // frame is taken off once it is known.
    const QSize outer = frameGeometry().size();
    const QSize frame = outer - size();
    laidOutFrame_ = frame;
    // A frame thinner than the designed one would push the minimum past the
    // designed client size; the designed size wins.
    setMinimumSize(std::clamp(MinimumOuterWidth - frame.width(), 0, DesignedClientWidth),
                   std::clamp(MinimumOuterHeight - frame.height(), 0, DesignedClientHeight));
    const int width = std::max(1, outer.width() - WidthAroundImage);
    const int height = std::max(1, outer.height() - HeightAroundImage);
    Image1->resize(width, height);
    if (Image1->Bitmap.size() != QSize(width, height)) {
        Image1->Bitmap = QImage(width, height, QImage::Format_RGB32);
    }
    StatusBar1->setGeometry(0, this->height() - StatusBarHeight, this->width(), StatusBarHeight);
    // Side by side at their designed widths; the last takes what remains,
    // and what does not fit is cut at the window's edge, never overlapped.
    int left = 0;
    for (std::size_t i = 0; i < StatusPanels.size(); ++i) {
        StatusPanel* panel = StatusPanels[i];
        const bool last = i + 1 == StatusPanels.size();
        const int width = last ? std::max(panel->designedWidth(), this->width() - left) : panel->designedWidth();
        panel->setGeometry(left, 0, width, StatusBarHeight);
        left += width;
    }

    const int groupLeft = Image1->x() + Image1->width() + 10;
    const int groupTop = Image1->y() + Image1->height() - GroupHeight;
    GroupBox1->move(groupLeft, groupTop);
    // Upward from the group: Z, Y, X, 3D, SEP, GPS, GLONASS, DOP.
    int top = groupTop - 30;
    for (QCheckBox* check : {CheckBox3, CheckBox2, CheckBox1, CheckBox4, CheckBox5, CheckBox6,
                             CheckBox8, CheckBox7}) {
        check->move(groupLeft, top);
        top -= 20;
    }
    rebuildSeries();
    DrawPlot();
}

ErrorPlotView TXYPlotForm::currentView() const
{
    ErrorPlotView view;
    view.analysis = Analysis;
    const QRadioButton* const buttons[] = {RadioButton1, RadioButton2, RadioButton3,
                                           RadioButton4, RadioButton5, RadioButton6};
    for (std::size_t i = 0; i < std::size(buttons); ++i) {
        if (buttons[i]->isChecked()) {
            view.scale = static_cast<PlotScale>(i);
        }
    }
    const QCheckBox* const checks[] = {CheckBox1, CheckBox2, CheckBox3, CheckBox4,
                                       CheckBox5, CheckBox6, CheckBox7, CheckBox8};
    for (std::size_t i = 0; i < std::size(checks); ++i) {
        view.curves[i] = checks[i]->isChecked();
    }
    return view;
}

void TXYPlotForm::applyChoices(const ErrorPlotView& choices)
{
    QRadioButton* const buttons[] = {RadioButton1, RadioButton2, RadioButton3,
                                     RadioButton4, RadioButton5, RadioButton6};
    const auto scale = static_cast<std::size_t>(choices.scale);
    if (scale < std::size(buttons)) {
        buttons[scale]->setChecked(true);
    }
    QCheckBox* const checks[] = {CheckBox1, CheckBox2, CheckBox3, CheckBox4,
                                 CheckBox5, CheckBox6, CheckBox7, CheckBox8};
    for (std::size_t i = 0; i < std::size(checks); ++i) {
        checks[i]->setChecked(choices.curves[i]);
    }
    if (isVisible()) {
        DrawPlot();
    }
}

QString TXYPlotForm::panelText(int panel) const
{
    if (panel < 0 || panel >= static_cast<int>(StatusPanels.size())) {
        return {};
    }
    return StatusPanels[static_cast<std::size_t>(panel)]->text();
}

void TXYPlotForm::DrawPlot()
{
    paintErrorPlot(Image1->Bitmap, Series.get(), currentView(), &Columns);
    Image1->update();
}

void TXYPlotForm::Image1MouseMove(int x, int /*y*/)
{
    if (!Series) {
        return;
    }
    const GNSSRecord* sample = Series->nearestSample(x);
    if (sample == nullptr) {
        return;
    }
    showSample(*sample);
    View.HoveredTime = sample->time;
}

void TXYPlotForm::showSample(const GNSSRecord& shown)
{
    const GNSSRecord* sample = &shown;
    // Panel texts are the read-out's, so they use Qt's locale-free printf.
    StatusPanels[0]->setText(QString::asprintf("Time: %0.2f s", sample->time - Analysis->startTime));
    StatusPanels[1]->setText(QString::asprintf("X-Err: %0.3f m", sample->localX));
    StatusPanels[2]->setText(QString::asprintf("Y-Err: %0.3f m", sample->localY));
    StatusPanels[3]->setText(QString::asprintf("Z-Err: %0.3f m", sample->height));
    StatusPanels[4]->setText(QString::asprintf("Sats: %d", sample->satellites));
    StatusPanels[5]->setText(QString::asprintf("DOP: %0.2f", sample->dop));
    StatusPanels[6]->setText(QString::asprintf("ErrEstimate: %0.3f m", sample->errorEstimate));
    StatusPanels[7]->setText(QString::fromLatin1(fixText(sample->fixType)));
}

void TXYPlotForm::RadioButton2Click()
{
    DrawPlot();
}

void TXYPlotForm::CheckBox1Click()
{
    DrawPlot();
}

void TXYPlotForm::Center1Click()
{
    if (Analysis != nullptr && View.centre(*Analysis)) {
        FormResize();
    }
}

void TXYPlotForm::Zoomin1Click()
{
    if (Analysis != nullptr && View.zoomIn(*Analysis)) {
        FormResize();
    }
}

void TXYPlotForm::Zoomout1Click()
{
    if (Analysis != nullptr && View.zoomOut(*Analysis)) {
        FormResize();
    }
}

void TXYPlotForm::Resetzoom1Click()
{
    if (Analysis != nullptr) {
        View.reset(*Analysis);
    }
    FormResize();
}

void TXYPlotForm::XYPlotFormMouseWheel(int wheelDelta)
{
    if (Analysis != nullptr && View.wheel(*Analysis, wheelDelta)) {
        FormResize();
    }
}

void TXYPlotForm::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    if (frameGeometry().size() - size() != laidOutFrame_) {
        FormResize();
    }
}


void TXYPlotForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    FormResize();
}

void TXYPlotForm::wheelEvent(QWheelEvent* event)
{
    // A purely horizontal scroll is not a mouse-wheel turn.
    const QPoint delta = event->angleDelta();
    if (delta.y() != 0 || delta.x() == 0) {
        XYPlotFormMouseWheel(delta.y());
    }
    event->ignore();  // not marked handled: it may travel on
}

}  // namespace gnsslog
