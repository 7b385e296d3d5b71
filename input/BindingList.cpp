#include "input/BindingList.h"

#include <algorithm>

#include "input/Binding.h"

BindingList::BindingList() : manager(nullptr), timer(nullptr) {}

BindingList::~BindingList() {
    for (Binding* binding : entries) delete binding;
}

int BindingList::Attach(InputManager* manager, FrameTimer* timer) {
    this->manager = manager;
    this->timer = timer;
    return 1;
}

int BindingList::Add(Binding* binding) {
    binding->Attach(manager, timer);
    entries.push_back(binding);
    return 1;
}

void BindingList::Remove(Binding* binding) {
    auto found = std::find(entries.begin(), entries.end(), binding);
    if (found == entries.end()) return;
    entries.erase(found);
    delete binding;
}

void BindingList::UpdateAll() {
    for (Binding* binding : entries) binding->Update();
}
