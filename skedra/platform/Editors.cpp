#include "skedra/platform/Editors.h"

#include <QLineEdit>
#include <cmath>

namespace skedra
{

TCustomEdit::TCustomEdit(QWidget* aParent) : TEditorControl(aParent)
{
    connect(this, &QLineEdit::textChanged, this, [this] { Changed(); });
}

TCustomMemo::TCustomMemo(QWidget* aParent) : TEditorControl(aParent)
{
    setTabChangesFocus(false);
    connect(this, &QPlainTextEdit::textChanged, this, [this] { Changed(); });
}

TCustomComboBox::TCustomComboBox(QWidget* aParent) : TEditorControl(aParent)
{
    setEditable(false);
    connect(this, &QComboBox::currentIndexChanged, this, [this] { Changed(); });
}

QStringList TCustomComboBox::GetItems() const
{
    QStringList items;
    for (int i = 0; i < count(); ++i)
        items.push_back(itemText(i));
    return items;
}

void TCustomComboBox::SetItems(const QStringList& anItems)
{
    const QString current = GetText();
    const QSignalBlocker block(this);
    clear();
    addItems(anItems);
    setCurrentIndex(findText(current, Qt::MatchExactly));
}

TCustomCheckBox::TCustomCheckBox(QWidget* aParent) : TEditorControl(aParent)
{
    connect(this, &QCheckBox::toggled, this, [this] { Changed(); });
}

namespace
{

const QDate& DayZero()
{
    static const QDate day(1899, 12, 30);
    return day;
}

} // namespace

TDateTimePicker::TDateTimePicker(QWidget* aParent) : TEditorControl(aParent), FCheckBox(new QCheckBox(this))
{
    setMinimumDate(QDate(100, 1, 1));
    setMaximumDate(QDate(9999, 12, 31));
    setTimeSpec(Qt::UTC);
    FCheckBox->setFocusPolicy(Qt::NoFocus);
    FCheckBox->setChecked(true);
    FCheckBox->hide();
    connect(FCheckBox, &QCheckBox::toggled, this, [this](bool on) {
        lineEdit()->setEnabled(on);
        Changed();
    });
    connect(this, &QDateTimeEdit::dateTimeChanged, this, [this] { Changed(); });
    SetKind(dtkDate);
}

void TDateTimePicker::SetKind(TDateTimeKind aValue)
{
    FKind = aValue;
    const QLocale locale;
    if (FKind == dtkDate) {
        setDisplayFormat(locale.dateFormat(QLocale::ShortFormat));
        setCalendarPopup(true);
    } else {
        setCalendarPopup(false);
        setDisplayFormat(locale.timeFormat(QLocale::LongFormat).remove(QLatin1String(" t")));
    }
}

TDateTime TDateTimePicker::GetDateTime() const
{
    const QDateTime value = dateTime();
    const double days = DayZero().daysTo(value.date());
    return days + (days < 0 ? -1 : 1) * value.time().msecsSinceStartOfDay() / MSecsPerDay;
}

void TDateTimePicker::SetDateTime(TDateTime aValue)
{
    if (!std::isfinite(aValue)) aValue = 0;
    aValue = std::clamp(aValue, MinDateTime, MaxDateTime);
    int year = 0, month = 0, day = 0, hour = 0, min = 0, sec = 0, msec = 0;
    DecodeDateTime(aValue, year, month, day, hour, min, sec, msec);
    setDateTime(QDateTime(QDate(year, month, day), QTime(hour, min, sec, msec), Qt::UTC));
}

void TDateTimePicker::SetShowCheckbox(bool aValue)
{
    FShowCheckbox = aValue;
    FCheckBox->setVisible(aValue);
    PlaceCheckBox();
}

bool TDateTimePicker::GetChecked() const
{
    return !FShowCheckbox || FCheckBox->isChecked();
}

void TDateTimePicker::SetChecked(bool aValue)
{
    FCheckBox->setChecked(aValue);
}

void TDateTimePicker::resizeEvent(QResizeEvent* e)
{
    TEditorControl::resizeEvent(e);
    PlaceCheckBox();
}

void TDateTimePicker::PlaceCheckBox()
{
    const int side = std::min(height(), 16);
    FCheckBox->setGeometry(2, (height() - side) / 2, side, side);
    lineEdit()->setTextMargins(FShowCheckbox ? side + 2 : 0, 0, 0, 0);
}

} // namespace skedra
