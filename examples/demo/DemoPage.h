#pragma once
// Pages of the demo application. Each page file registers itself with a
// static DemoPageRegistration; the main window shows one tab per page in the
// order of their `order` numbers.

#include <QPainter>
#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

struct DemoPage {
    int order = 0;
    QString title;
    // Builds the page's widget.
    std::function<QWidget*(QWidget* parent)> create;
    // Prints the page (as built by create) onto a painter of a PDF page; empty when
    // the page has nothing to print.
    std::function<void(QWidget* page, QPainter& painter, const QRect& pageRect)> print;
};

std::vector<DemoPage>& DemoPages();

struct DemoPageRegistration {
    explicit DemoPageRegistration(DemoPage page) { DemoPages().push_back(std::move(page)); }
};
