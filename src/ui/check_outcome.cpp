#include "ui/check_outcome.h"

#include <QStringList>

namespace zelvon::ui {
namespace {

QString counted(size_t count, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

} // namespace

QString runSummaryText(const UpdateBatchSummary& summary) {
    return QStringLiteral("Checked %1: %2, %3 failed.")
        .arg(counted(summary.checked, "product", "products"), counted(summary.newProducts, "new version", "new versions"))
        .arg(summary.failed);
}

QString causeSentence(const Failure& failure) {
    QString text = QString::fromStdU16String(describeFailure(failure));
    if (text.isEmpty())
        return text;
    text[0] = text[0].toUpper();
    if (!text.endsWith(QLatin1Char('.')))
        text += QLatin1Char('.');
    return text;
}

QString causeHtml(const Failure& failure) { return causeSentence(failure).toHtmlEscaped(); }

QString entryDescription(bool isNew, const Failure* lastFailure) {
    QStringList parts;
    if (isNew)
        parts << QStringLiteral("new");
    if (lastFailure != nullptr && lastFailure->failed())
        parts << QStringLiteral("last check failed: ") + QString::fromStdU16String(describeFailure(*lastFailure));
    return parts.join(QStringLiteral("; "));
}

} // namespace zelvon::ui
