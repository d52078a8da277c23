#include "data_store/DatabaseTurn.h"

std::mutex& DatabaseTurn() {
    static std::mutex turn;
    return turn;
}
