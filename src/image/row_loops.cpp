#include "image/row_loops.h"

#include "image/row_loops_build.h"

const RowLoops& BaselineRowLoops() {
    static const RowLoops loops = BuildRowLoops("baseline");
    return loops;
}

std::vector<const RowLoops*> RunnableRowLoops() {
    std::vector<const RowLoops*> all{&BaselineRowLoops()};
    if (WideRowLoops()) all.push_back(WideRowLoops());
    return all;
}

const RowLoops& ChosenRowLoops() {
    static const RowLoops& chosen = WideRowLoops() ? *WideRowLoops() : BaselineRowLoops();
    return chosen;
}
