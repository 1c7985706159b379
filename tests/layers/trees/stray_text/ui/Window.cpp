// "Окно": a comment may quote the caption.
void build(Window &w)
{
    w.setTitle(UiTexts::title()); // "Окно"
    w.setToolTip(QStringLiteral("Подсказка"));
}
