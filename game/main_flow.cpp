// The main flow: the disclaimer once, then menu, case, game and high scores for ever.
#include "errors.h"
#include "game_observer.h"
#include "game_state.h"
#include "numbers.h"

bool QualifiesForHighScores(const RtString& resultTime, int16_t qualifyingTime, int16_t timedOut) {
    return Num_FromText(resultTime) < qualifyingTime && timedOut == 0;
}

void GameMain() {
    STMT(Num_StartFloatingPoint());
    GameState state;
    Game_Observe(&state);
    STMT(ShowDisclaimer());
    for (;;) {
        STMT(ShowIntroAndMenu(state.bankCities, state.culpritIndex, state.soundOff,
                              state.playMinutes));
        STMT(GenerateCase(state.witnesses, state.suspects));
        STMT(PlayGame(state.witnesses, state.suspects, state.culpritIndex, state.soundOff,
                      state.playMinutes, state.resultTime, state.qualifyingTime, state.timedOut));
        if (QualifiesForHighScores(state.resultTime, state.qualifyingTime, state.timedOut)) {
            STMT(ShowHighScores(state.resultTime));
        }
    }
}
