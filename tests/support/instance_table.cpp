#include "tests/support/instance_table.h"

#include <map>

namespace roundcheck {

Table TableOfInstance(const InstanceState& instance, std::vector<double>* rounded) {
    Table t;
    std::map<const Cell*, int> position;
    if (rounded) rounded->clear();
    for (const Cell* c = instance.cellList; c; c = c->next) {
        position[c] = t.addCell(c->nominal, c->lbd, c->ubd, c->status, c->lpl, c->upl,
                                c->name ? c->name : "");
        if (rounded) rounded->push_back(c->rounded);
    }
    for (const Sum* s = instance.sumList; s; s = s->next) {
        Equation e;
        for (const SumTerm* term = s->terms; term; term = term->next)
            e.terms.push_back({position[term->cell], term->coef});
        t.equations.push_back(e);
    }
    return t;
}

}  // namespace roundcheck
