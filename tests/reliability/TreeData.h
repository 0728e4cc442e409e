#pragma once
// Random changes to the entities of a data-bound tree (add, insert, remove,
// move, change of owner, clear, sort, texts, expansion, hiding, selection),
// and the check that the nodes shown equal the data.
#include <QStringList>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <vector>

#include "skedra/tree/qvTree.h"
#include "tests/reliability/Driver.h"

namespace skedra::reliability
{

class TTreeEdits
{
public:
    explicit TTreeEdits(TqvTree_ComBasic* aTree) : FTree(aTree) {}

    // Makes a new entity under aParent (null: a root); the tree's own by default.
    std::function<TqvDataEntity_Tree*(TqvDataEntity_Tree*)> Add = [this](TqvDataEntity_Tree* aParent) {
        return FTree->AddDataEntity(aParent);
    };
    // Keeps the tree below this many entities.
    int Limit = 300;

    std::vector<TqvDataEntity_Tree*> All() const
    {
        std::vector<TqvDataEntity_Tree*> out;
        Walk(FTree->GetRootDataList(), out);
        return out;
    }
    // Any entity, or null (a root) now and then.
    TqvDataEntity_Tree* Any(TStepRng& r) const
    {
        const auto all = All();
        if (all.empty() || r.Chance(10)) return nullptr;
        return all[static_cast<size_t>(r.Below(static_cast<int>(all.size())))];
    }

    void Step(TStepRng& r)
    {
        const auto all = All();
        const int count = static_cast<int>(all.size());
        TqvDataEntity_Tree* e = count == 0 ? nullptr : all[static_cast<size_t>(r.Below(count))];
        int kind = r.Below(16);
        if (count >= Limit && kind <= 3) kind = 4;
        switch (kind) {
        case 0:
        case 1:
            if (TqvDataEntity_Tree* added = Add(r.Chance(30) ? nullptr : e))
                Tolerate([&] { added->SetText(input::Text(r)); });
            break;
        case 2: { // a bulk of entities under one parent
            const int n = r.Between(1, 40);
            for (int i = 0; i < n; ++i)
                if (TqvDataEntity_Tree* added = Add(e)) added->SetText(QStringLiteral("B%1").arg(i));
            break;
        }
        case 3:
            Tolerate([&] {
                if (TqvDataEntity_Tree* added = FTree->InsertDataEntity(e, r.Between(-2, 10)))
                    added->SetText(input::Text(r));
            });
            break;
        case 4:
        case 5:
            if (e) FTree->RemoveDataEntity(e);
            break;
        case 6:
            if (e) Tolerate([&] { e->Move(r.Between(-1, 12)); });
            break;
        case 7:
            if (e) Tolerate([&] { FTree->ChangeOwner(e, Any(r)); });
            break;
        case 8:
            if (r.Chance(15)) FTree->Clear();
            break;
        case 9: {
            TqvDataList* list = e && e->GetSubDataList() ? static_cast<TqvDataList*>(e->GetSubDataList())
                                                         : FTree->GetRootDataList();
            list->Sort(r.Chance(50));
            break;
        }
        case 10:
            if (e) Tolerate([&] { e->SetText(input::Text(r)); });
            break;
        case 11:
        case 12:
            if (e) e->SetExpanded(!e->GetExpanded());
            break;
        case 13:
            if (e) e->Set_HideNode(r.Chance(30));
            break;
        case 14:
            if (e) e->SetSelected(r.Chance(50));
            break;
        default:
            FTree->SetCurrentDataEntity(e);
            break;
        }
    }

    // The tree's own invariants, and once the display is brought up to date,
    // each shown list's nodes are its visible entities in order.
    void Check() const
    {
        QString why;
        if (!FTree->CheckInvariants(&why)) throw std::runtime_error("tree: " + why.toStdString());
        const auto all = All();
        if (TqvDataEntity_Tree* current = FTree->GetCurrentDataEntity())
            if (std::find(all.begin(), all.end(), current) == all.end())
                throw std::runtime_error("the current entity is not in the tree");
        if (FTree->IsUpdating()) return;
        FTree->EnsureDisplayUpToDate();
        CheckList(FTree->GetRootDataList(), nullptr);
    }

private:
    static void Walk(TqvDataList_Tree* aList, std::vector<TqvDataEntity_Tree*>& anOut)
    {
        if (aList == nullptr) return;
        for (int i = 0; i < aList->LoadedCount(); ++i) {
            auto* e = static_cast<TqvDataEntity_Tree*>(aList->GetLoaded(i));
            anOut.push_back(e);
            Walk(e->GetSubDataList(), anOut);
        }
    }
    void CheckList(TqvDataList_Tree* aList, TTreeNode* aParent) const
    {
        std::vector<TTreeNode*> nodes;
        const int n = aParent ? aParent->GetCount() : FTree->GetItems()->GetRootCount();
        for (int i = 0; i < n; ++i)
            nodes.push_back(aParent ? aParent->GetItem(i) : FTree->GetItems()->GetRoot(i));
        std::vector<TTreeNode*> expected;
        for (int i = 0; i < aList->LoadedCount(); ++i) {
            auto* e = static_cast<TqvDataEntity_Tree*>(aList->GetLoaded(i));
            if (e->Get_HideNode()) continue;
            expected.push_back(e->GetNode());
        }
        if (aParent != nullptr && nodes.size() == 1 && nodes[0]->GetData() == nullptr) return; // placeholder
        // Below MaxLevels nothing is shown.
        if (nodes.empty() &&
            std::all_of(expected.begin(), expected.end(), [](TTreeNode* n) { return n == nullptr; }))
            return;
        if (nodes != expected) {
            auto texts = [](const std::vector<TTreeNode*>& aNodes) {
                QStringList out;
                for (TTreeNode* n : aNodes)
                    out << (n ? n->GetText() : QStringLiteral("(none)"));
                return out.join(QLatin1Char(',')).toStdString();
            };
            throw std::runtime_error(
                "the nodes under " + (aParent ? aParent->GetText().toStdString() : std::string("the root")) +
                " differ from the data: shown [" + texts(nodes) + "], data [" + texts(expected) + "]");
        }
        for (int i = 0; i < aList->LoadedCount(); ++i) {
            auto* e = static_cast<TqvDataEntity_Tree*>(aList->GetLoaded(i));
            if (e->GetNode() == nullptr) continue;
            if (e->GetNode()->GetText() != e->GetText()) throw std::runtime_error("a node's text differs");
            CheckList(e->GetSubDataList(), e->GetNode());
        }
    }

    TqvTree_ComBasic* FTree;
};

} // namespace skedra::reliability
