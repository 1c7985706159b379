inline QString title() { return QStringLiteral("Окно"); }
