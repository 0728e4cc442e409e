#include "tests/reliability/Driver.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QProcessEnvironment>
#include <QScopeGuard>
#include <QTest>
#include <QWheelEvent>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <sys/time.h>
#include <unistd.h>

#include "skedra/foundation/DoLater.h"
#include "skedra/platform/Threads.h"
#include "tests/common/TestSupport.h"

// Present only in sanitizer builds: called before a sanitizer report ends the process.
extern "C" void __sanitizer_set_death_callback(void (*aCallback)()) __attribute__((weak));
extern "C" void __sanitizer_print_stack_trace() __attribute__((weak));

namespace skedra::reliability
{

namespace
{

// A step counts as hung when it spins this many seconds of processor time,
// or waits this long by the clock. Processor time tells a loop from a run
// starved by other processes on a busy machine (stress runs are niced).
constexpr unsigned kHangCpuSeconds = 60;
constexpr unsigned kHangSeconds = 1800;

// What runs now, kept formatted so that a crash or hang can name it without allocating.
char gStatus[256] = "";

void WriteStatus(const char* aPrefix)
{
    const ssize_t a = write(STDERR_FILENO, aPrefix, std::strlen(aPrefix));
    const ssize_t b = write(STDERR_FILENO, gStatus, std::strlen(gStatus));
    const ssize_t c = write(STDERR_FILENO, "\n", 1);
    (void)a, (void)b, (void)c;
}

void OnDeath()
{
    WriteStatus("driver died at ");
}

// A failed assertion aborts: the run names where before it goes.
void OnAbort(int aSignal)
{
    WriteStatus("driver aborted at ");
    std::signal(aSignal, SIG_DFL);
    std::raise(aSignal);
}

void OnHang(int)
{
    WriteStatus("driver hung at ");
    if (__sanitizer_print_stack_trace != nullptr) __sanitizer_print_stack_trace();
    _exit(124);
}

// Arms (or, with 0, disarms) both hang limits of a step.
void ArmHangLimits(bool aArm)
{
    alarm(aArm ? kHangSeconds : 0);
    itimerval cpu{};
    cpu.it_value.tv_sec = aArm ? kHangCpuSeconds : 0;
    setitimer(ITIMER_PROF, &cpu, nullptr);
}

std::uint64_t SplitMix(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

QString Env(const char* aName)
{
    return QString::fromLocal8Bit(qgetenv(aName));
}

std::vector<int> ParseList(const QString& aText)
{
    std::vector<int> out;
    for (const QString& part : aText.split(QLatin1Char(','), Qt::SkipEmptyParts))
        out.push_back(part.trimmed().toInt());
    return out;
}

QString JoinList(const std::vector<int>& aList)
{
    QStringList parts;
    for (int i : aList)
        parts << QString::number(i);
    return parts.join(QLatin1Char(','));
}

QString CurrentTestName()
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return info ? QString::fromLatin1(info->test_suite_name()) + QLatin1Char('.') +
                      QString::fromLatin1(info->name())
                : QString();
}

// Refusals of bad input seen in this run, by text with the numbers taken out.
std::map<QString, int>& Refusals()
{
    static std::map<QString, int> refusals;
    return refusals;
}

struct TFailure {
    bool Failed = false;
    int Step = -1;
    QString What;
};

} // namespace

void NoteRefusal(const QString& aText)
{
    static const QRegularExpression numbers(QStringLiteral("-?[0-9][0-9.e+-]*"));
    QString text = aText;
    text.replace(numbers, QStringLiteral("#"));
    ++Refusals()[text.left(120)];
}

void NoteRefusal(const Exception& anException)
{
    NoteRefusal(anException.Message());
}

// ---------------------------------------------------------------------------
// TStepRng

TStepRng::TStepRng(std::uint64_t aSeed, int aStep)
    : FEngine(SplitMix(SplitMix(aSeed) ^ static_cast<std::uint64_t>(static_cast<std::uint32_t>(aStep))))
{
}

int TStepRng::Below(int n)
{
    if (n <= 0) return 0;
    return static_cast<int>(FEngine() % static_cast<std::uint64_t>(n));
}

int TStepRng::Between(int aLow, int aHigh)
{
    if (aHigh <= aLow) return aLow;
    return aLow + static_cast<int>(FEngine() % (static_cast<std::uint64_t>(aHigh) - aLow + 1));
}

bool TStepRng::Chance(int aPercent)
{
    return Below(100) < aPercent;
}

double TStepRng::Real(double aLow, double aHigh)
{
    return std::uniform_real_distribution<double>(aLow, aHigh)(FEngine);
}

// ---------------------------------------------------------------------------
// Input

namespace input
{

namespace
{

void SendMouse(QWidget* aWidget, QEvent::Type aType, QPoint aPos, Qt::MouseButton aButton,
               Qt::MouseButtons aButtons, Qt::KeyboardModifiers aModifiers)
{
    const QPointF local(aPos);
    QMouseEvent e(aType, local, local, aWidget->mapToGlobal(local), aButton, aButtons, aModifiers);
    QApplication::sendEvent(aWidget, &e);
}

Qt::KeyboardModifiers Modifiers(TStepRng& aRng)
{
    static const std::vector<Qt::KeyboardModifiers> all = {Qt::NoModifier,
                                                           Qt::NoModifier,
                                                           Qt::NoModifier,
                                                           Qt::ShiftModifier,
                                                           Qt::ControlModifier,
                                                           Qt::AltModifier,
                                                           Qt::ShiftModifier | Qt::ControlModifier};
    return aRng.Pick(all);
}

Qt::MouseButton Button(TStepRng& aRng)
{
    static const std::vector<Qt::MouseButton> all = {Qt::LeftButton, Qt::LeftButton, Qt::LeftButton,
                                                     Qt::RightButton, Qt::MiddleButton};
    return aRng.Pick(all);
}

// The deepest visible child under aPoint (of aWidget's coordinates), and the point in its own.
QWidget* Target(QWidget* aWidget, QPoint& aPoint)
{
    QWidget* child = aWidget->childAt(aPoint);
    if (child == nullptr) return aWidget;
    aPoint = child->mapFrom(aWidget, aPoint);
    return child;
}

} // namespace

QPoint Point(TStepRng& aRng, const QWidget* aWidget, bool anOutside)
{
    const int w = aWidget->width();
    const int h = aWidget->height();
    switch (anOutside ? aRng.Below(12) : aRng.Below(10)) {
    case 0: // an edge or a corner
        return QPoint(aRng.Pick(std::vector<int>{0, 1, w - 1, w}), aRng.Between(-1, h));
    case 1:
        return QPoint(aRng.Between(-1, w), aRng.Pick(std::vector<int>{0, 1, h - 1, h}));
    case 10: // far outside
    case 11:
        return QPoint(aRng.Between(-3000, w + 3000), aRng.Between(-3000, h + 3000));
    default:
        return QPoint(aRng.Between(0, std::max(0, w - 1)), aRng.Between(0, std::max(0, h - 1)));
    }
}

void Mouse(TStepRng& aRng, QWidget* aWidget)
{
    if (!aWidget->isVisible()) return;
    QPoint p = Point(aRng, aWidget, false);
    QWidget* target = Target(aWidget, p);
    const Qt::MouseButton button = Button(aRng);
    const Qt::KeyboardModifiers mods = Modifiers(aRng);
    QPointer<QWidget> guard(target);
    switch (aRng.Below(9)) {
    case 0:
        SendMouse(target, QEvent::MouseButtonPress, p, button, button, mods);
        break;
    case 1:
        SendMouse(target, QEvent::MouseButtonRelease, p, button, Qt::NoButton, mods);
        break;
    case 2:
        SendMouse(target, QEvent::MouseMove, p, Qt::NoButton,
                  aRng.Chance(30) ? Qt::MouseButtons(button) : Qt::NoButton, mods);
        break;
    case 3: // a click
        SendMouse(target, QEvent::MouseButtonPress, p, button, button, mods);
        if (guard) SendMouse(target, QEvent::MouseButtonRelease, p, button, Qt::NoButton, mods);
        break;
    case 4: // a double click
        SendMouse(target, QEvent::MouseButtonPress, p, button, button, mods);
        if (guard) SendMouse(target, QEvent::MouseButtonRelease, p, button, Qt::NoButton, mods);
        if (guard) SendMouse(target, QEvent::MouseButtonDblClick, p, button, button, mods);
        if (guard) SendMouse(target, QEvent::MouseButtonRelease, p, button, Qt::NoButton, mods);
        break;
    case 5:
    case 6: { // a drag, ending anywhere (far outside too); the target keeps the mouse
        SendMouse(target, QEvent::MouseButtonPress, p, button, button, mods);
        const int moves = aRng.Between(1, 6);
        QPoint q = p;
        for (int i = 0; i < moves && guard; ++i) {
            q = target->mapFrom(aWidget, Point(aRng, aWidget, true));
            SendMouse(target, QEvent::MouseMove, q, Qt::NoButton, button, mods);
            if (aRng.Chance(10)) QApplication::processEvents();
        }
        if (guard && aRng.Chance(90))
            SendMouse(target, QEvent::MouseButtonRelease, q, button, Qt::NoButton, mods);
        break;
    }
    case 7: { // a wheel turn
        const int delta = aRng.Pick(std::vector<int>{120, -120, 240, -360, 15, -15});
        const bool horizontal = aRng.Chance(20);
        const QPoint angle = horizontal ? QPoint(delta, 0) : QPoint(0, delta);
        QWheelEvent e(QPointF(p), QPointF(target->mapToGlobal(p)), QPoint(), angle, Qt::NoButton, mods,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &e);
        break;
    }
    default: { // a button held across timer ticks (auto-scrolling, repeats)
        if (!aRng.Chance(15)) {
            SendMouse(target, QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton, mods);
            break;
        }
        SendMouse(target, QEvent::MouseButtonPress, p, button, button, mods);
        const QPoint q = target->mapFrom(aWidget, Point(aRng, aWidget, true));
        if (guard) SendMouse(target, QEvent::MouseMove, q, Qt::NoButton, button, mods);
        QTest::qWait(aRng.Between(30, 160));
        if (guard) SendMouse(target, QEvent::MouseButtonRelease, q, button, Qt::NoButton, mods);
        break;
    }
    }
}

void Key(TStepRng& aRng, QWidget* aWidget)
{
    static const std::vector<Qt::Key> keys = {
        Qt::Key_Up,       Qt::Key_Down,      Qt::Key_Left,   Qt::Key_Right,  Qt::Key_PageUp, Qt::Key_PageDown,
        Qt::Key_Home,     Qt::Key_End,       Qt::Key_Return, Qt::Key_Escape, Qt::Key_Tab,    Qt::Key_Space,
        Qt::Key_Delete,   Qt::Key_Backspace, Qt::Key_F2,     Qt::Key_Insert, Qt::Key_Plus,   Qt::Key_Minus,
        Qt::Key_Asterisk, Qt::Key_A,         Qt::Key_X,      Qt::Key_1,      Qt::Key_C,      Qt::Key_V};
    QWidget* target = QApplication::focusWidget();
    if (target == nullptr || (target != aWidget && !aWidget->isAncestorOf(target))) target = aWidget;
    if (!target->isVisible()) return;
    QTest::keyClick(target, aRng.Pick(keys), Modifiers(aRng));
}

void Resize(TStepRng& aRng, QWidget* aWidget, int aMaxWidth, int aMaxHeight)
{
    auto size = [&](int aMax) { return aRng.Chance(30) ? aRng.Between(0, 2) : aRng.Between(0, aMax); };
    aWidget->resize(size(aMaxWidth), size(aMaxHeight));
}

void Settle()
{
    for (int i = 0; i < 2; ++i) {
        QCoreApplication::sendPostedEvents();
        QApplication::processEvents();
        TDoLater::DoAllNow();
        CheckSynchronize();
    }
}

QString Text(TStepRng& aRng)
{
    switch (aRng.Below(4)) {
    case 0:
        return QString();
    case 1:
        return QString(256, QChar(u'W'));
    case 2:
        return QStringLiteral("x\ny\t\u00e9");
    default:
        return QStringLiteral("Item %1").arg(aRng.Below(1000));
    }
}

TDateTime Date(TStepRng& aRng, TDateTime aCentre, double aSpread)
{
    if (!aRng.Chance(8)) return aCentre + aRng.Real(-aSpread, aSpread);
    static const std::vector<TDateTime> bad = {std::numeric_limits<double>::quiet_NaN(),
                                               std::numeric_limits<double>::infinity(),
                                               -std::numeric_limits<double>::infinity(),
                                               -693594.0, // 1 January of year 0
                                               2958466.0, // 1 January of year 10,000
                                               -1.0,
                                               1e300};
    return aRng.Pick(bad);
}

double Scale(TStepRng& aRng)
{
    static const std::vector<double> scales = {1, 1, 1, 0.5, 2, 0.25, 3, 0, -1, 1e-9, 1e6};
    return aRng.Pick(scales);
}

} // namespace input

// ---------------------------------------------------------------------------
// Runs

class TDriverRun
{
public:
    static TFailure Run(const std::function<std::unique_ptr<TDriver>()>& aMake, std::uint64_t aSeed,
                        const std::vector<int>& aSteps, const QString& aName)
    {
        test::ClearShownMessages();
        const bool hadFailure = ::testing::Test::HasFailure();
        std::unique_ptr<TDriver> driver;
        auto check = [&](int aStep) -> TFailure {
            QStringList unexpected;
            for (const QString& text : test::ShownMessages()) {
                if (driver != nullptr && driver->ExpectedMessage(text))
                    NoteRefusal(QStringLiteral("shown: ") + text);
                else
                    unexpected << text;
            }
            test::ClearShownMessages();
            if (!unexpected.isEmpty())
                return {true, aStep, QStringLiteral("shown: ") + unexpected.join(QLatin1Char('|'))};
            if (!hadFailure && ::testing::Test::HasFailure())
                return {true, aStep, QStringLiteral("an expectation failed")};
            return {};
        };
        int current = -1;
        int done = 0;
        QElapsedTimer clock;
        clock.start();
        try {
            std::snprintf(gStatus, sizeof gStatus, "%s seed %llu setup", qPrintable(aName),
                          static_cast<unsigned long long>(aSeed));
            driver = aMake();
            input::Settle();
            driver->CheckInvariants();
            if (TFailure f = check(-1); f.Failed) return f;
            for (int step : aSteps) {
                current = step;
                std::snprintf(gStatus, sizeof gStatus, "%s seed %llu step %d", qPrintable(aName),
                              static_cast<unsigned long long>(aSeed), step);
                ArmHangLimits(true);
                TStepRng rng(aSeed, step);
                driver->FRng = &rng;
                auto reset = qScopeGuard([&] { driver->FRng = nullptr; });
                driver->Step(rng);
                input::Settle();
                driver->CheckInvariants();
                if (TFailure f = check(step); f.Failed) return f;
                // Long runs tell how far they got (a run stopped from outside included).
                if (++done % 1000 == 0)
                    std::fprintf(stderr, "%s: seed %llu, %d steps done, %lld s\n", qPrintable(aName),
                                 static_cast<unsigned long long>(aSeed), done,
                                 static_cast<long long>(clock.elapsed() / 1000));
            }
            ArmHangLimits(false);
            current = -2;
            driver.reset();
            input::Settle();
            if (TFailure f = check(-2); f.Failed) return f;
        } catch (const std::exception& e) {
            ArmHangLimits(false);
            return {true, current, QString::fromUtf8(e.what())};
        }
        return {};
    }
};

namespace
{

// True when the steps fail in a child process running only them, with a
// failure text that matches aFailure (when it is not empty), so that shrinking
// keeps to the fault it started from instead of drifting to another.
bool FailsAlone(const QString& aName, std::uint64_t aSeed, const std::vector<int>& aSteps,
                const QRegularExpression& aFailure)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("SKEDRA_DRIVER_SHRINK"));
    env.remove(QStringLiteral("SKEDRA_DRIVER_FAILS_AT"));
    env.insert(QStringLiteral("SKEDRA_DRIVER_SEED"), QString::number(aSeed));
    env.insert(QStringLiteral("SKEDRA_DRIVER_ONLY"), JoinList(aSteps));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=") + aName});
    if (!child.waitForFinished(kHangCpuSeconds * 1000 * 8)) {
        child.kill();
        child.waitForFinished();
        return aFailure.pattern().isEmpty();
    }
    if (child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0) return false;
    return aFailure.pattern().isEmpty() || aFailure.match(QString::fromLocal8Bit(child.readAll())).hasMatch();
}

// Removes chunks of steps while the rest still fails (halving the chunk size).
std::vector<int> Shrink(const QString& aName, std::uint64_t aSeed, std::vector<int> aSteps,
                        const QRegularExpression& aFailure)
{
    int runs = 0;
    for (size_t chunk = std::max<size_t>(1, aSteps.size() / 2); chunk >= 1 && runs < 300; chunk /= 2) {
        for (size_t start = 0; start < aSteps.size() && aSteps.size() > 1 && runs < 300;) {
            std::vector<int> candidate(aSteps.begin(), aSteps.begin() + static_cast<std::ptrdiff_t>(start));
            candidate.insert(candidate.end(),
                             aSteps.begin() +
                                 static_cast<std::ptrdiff_t>(std::min(start + chunk, aSteps.size())),
                             aSteps.end());
            ++runs;
            if (!candidate.empty() && FailsAlone(aName, aSeed, candidate, aFailure))
                aSteps = candidate;
            else
                start += chunk;
        }
        if (chunk == 1) break;
    }
    return aSteps;
}

} // namespace

void RunDriver(const std::function<std::unique_ptr<TDriver>()>& aMake, int aSteps)
{
    static const bool installed = [] {
        if (__sanitizer_set_death_callback != nullptr) __sanitizer_set_death_callback(&OnDeath);
        std::signal(SIGALRM, &OnHang);
        std::signal(SIGPROF, &OnHang);
        std::signal(SIGABRT, &OnAbort);
        return true;
    }();
    (void)installed;

    const std::uint64_t seed =
        Env("SKEDRA_DRIVER_SEED").isEmpty() ? 1 : Env("SKEDRA_DRIVER_SEED").toULongLong();
    const int steps = Env("SKEDRA_DRIVER_STEPS").isEmpty() ? aSteps : Env("SKEDRA_DRIVER_STEPS").toInt();
    std::vector<int> order = ParseList(Env("SKEDRA_DRIVER_ONLY"));
    if (order.empty())
        for (int i = 0; i < steps; ++i)
            order.push_back(i);
    const QString name = CurrentTestName();

    Refusals().clear();
    // A run that crashed or aborted cannot shrink itself: SKEDRA_DRIVER_FAILS_AT
    // names the step it died at, and the steps up to it are shrunk at once.
    const QString failsAt = Env("SKEDRA_DRIVER_FAILS_AT");
    const TFailure f = failsAt.isEmpty()
                           ? TDriverRun::Run(aMake, seed, order, name)
                           : TFailure{true, failsAt.toInt(), QStringLiteral("died (SKEDRA_DRIVER_FAILS_AT)")};
    for (const auto& [text, count] : Refusals())
        std::fprintf(stderr, "%s: refused %d times: %s\n", qPrintable(name), count, qPrintable(text));
    if (!f.Failed) {
        std::fprintf(stderr, "%s: seed %llu, %zu steps, no fault\n", qPrintable(name),
                     static_cast<unsigned long long>(seed), order.size());
        return;
    }
    QString text =
        QStringLiteral("%1: seed %2 step %3: %4\nreplay: SKEDRA_DRIVER_SEED=%2 SKEDRA_DRIVER_STEPS=%5 %6 "
                       "--gtest_filter=%1")
            .arg(name)
            .arg(seed)
            .arg(f.Step)
            .arg(f.What)
            .arg(f.Step + 1)
            .arg(QCoreApplication::applicationFilePath());
    if (qEnvironmentVariableIntValue("SKEDRA_DRIVER_SHRINK") == 1 && f.Step >= 0) {
        // Shrinking replays the steps many times: the fault is told first.
        std::fprintf(stderr, "%s\nshrinking...\n", qPrintable(text));
        std::vector<int> failing;
        for (int i : order) {
            failing.push_back(i);
            if (i == f.Step) break;
        }
        // The same failure, its numbers aside; a run that died matches any.
        QString pattern;
        if (failsAt.isEmpty())
            pattern = QRegularExpression::escape(f.What).replace(QRegularExpression(QStringLiteral("\\d+")),
                                                                 QStringLiteral("\\d+"));
        const std::vector<int> shortest = Shrink(name, seed, failing, QRegularExpression(pattern));
        text += QStringLiteral("\nshortest failing steps: SKEDRA_DRIVER_ONLY=%1").arg(JoinList(shortest));
    }
    ADD_FAILURE() << text.toStdString();
}

} // namespace skedra::reliability
