#pragma once

class QWidget;

// Gives each field of Window that a label is the buddy of the label's text as
// its accessible name, where it has none of its own. A combo box would
// otherwise be named after its current value.
void NameFieldsAfterLabels(QWidget* Window);
