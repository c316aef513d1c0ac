#pragma once
// Widgets built in code carry the object names of the original forms
// ("Edit2", "Label18"), which the widget tests find them by. Named() sets the
// name where the widget is made:
//   grid->addWidget(Named(new QLabel("40MHz", box), "Label18"), 0, 1);

namespace tarvo {

template <class Widget>
Widget* Named(Widget* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

}  // namespace tarvo
