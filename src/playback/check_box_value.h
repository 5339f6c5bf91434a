#ifndef BRENLOWICK_CHECK_BOX_VALUE_H
#define BRENLOWICK_CHECK_BOX_VALUE_H

#include <QCheckBox>

#include <cstdint>

// A check box as a number: 0 unchecked, 1 checked, 2 grey. The playback rules compare with 0
// in some places and with 1 in others, so the grey state must not collapse into either.
inline int32_t checkBoxValue(const QCheckBox &box)
{
    switch (box.checkState()) {
    case Qt::Unchecked: return 0;
    case Qt::Checked: return 1;
    case Qt::PartiallyChecked: return 2;
    }
    return 0;
}

#endif
