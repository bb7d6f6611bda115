#pragma once

#include <QWidget>

#include "core/SelfIdentity.h"
#include "core/Vocabulary.h"

namespace tv {

class AppIcons;

// A fixed sheet, 360 points wide, of the ways the panel offers to quit an app, drawn with
// sample data for pictures: a card with its Quit, a card asking to confirm, a card whose app
// is being quit, and an app row asking "Quit …?". The sample app is the platform's well-known
// browser. Nothing in it acts: its quit requests go nowhere.
class QuitStates : public QWidget {
  public:
    static constexpr int sheetWidth = 360;

    QuitStates(AppIcons& icons, const Vocabulary& words, SelfIdentity self,
               QWidget* parent = nullptr);
};

}  // namespace tv
