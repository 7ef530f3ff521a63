#pragma once
// A small doubly linked list of borrowed pointers. Insertion is always at the
// head, so a walk from the head meets the newest item first. The list owns its
// nodes, never the items.

template <class T>
class PtrList {
public:
    struct Node {
        T* item;
        Node* next;
        Node* prev;
    };

    Node* head = nullptr;
    Node* cursor = nullptr;

    PtrList() = default;
    PtrList(const PtrList&) = delete;
    PtrList& operator=(const PtrList&) = delete;
    ~PtrList()
    {
        while (head) {
            Node* next = head->next;
            delete head;
            head = next;
        }
    }

    void insert(T* item)
    {
        Node* node = new Node{item, head, nullptr};
        if (head)
            head->prev = node;
        head = node;
    }

    // Starts a walk: the cursor goes to the head; returns its item or null.
    T* first()
    {
        cursor = head;
        return cursor ? cursor->item : nullptr;
    }

    // Steps the walk on. Running off the end leaves the cursor on the head and
    // returns null.
    T* next()
    {
        if (cursor)
            cursor = cursor->next;
        if (!cursor) {
            cursor = head;
            return nullptr;
        }
        return cursor->item;
    }

    // Unlinks the node from both neighbours (and from the head) and frees it;
    // the other nodes keep their order.
    void unlink(Node* node)
    {
        if (node->prev)
            node->prev->next = node->next;
        else
            head = node->next;
        if (node->next)
            node->next->prev = node->prev;
        if (cursor == node)
            cursor = head;
        delete node;
    }
};
