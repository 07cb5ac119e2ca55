#include "platform/listacasillas.h"

#include "platform/errores.h"

ListaCasillas::ListaCasillas(QWidget* padre) : QListWidget(padre) {
    connect(this, &QListWidget::itemChanged, this, &ListaCasillas::alCambiar);
}

QListWidgetItem* ListaCasillas::elemento(int indice) const {
    if (indice < 0 || indice >= count()) FallaNumero(errnum::FueraDeIntervalo);
    return item(indice);
}

void ListaCasillas::AddItem(const QString& texto) {
    callado_ = true;
    auto* it = new QListWidgetItem(texto);
    it->setFlags(it->flags() | Qt::ItemIsUserCheckable);
    it->setCheckState(Qt::Unchecked);
    addItem(it);
    marcas_.append(false);
    callado_ = false;
}

void ListaCasillas::Clear() {
    callado_ = true;
    clear();
    marcas_.clear();
    callado_ = false;
}

QString ListaCasillas::List(int indice) const { return elemento(indice)->text(); }

bool ListaCasillas::Selected(int indice) const { return elemento(indice)->checkState() == Qt::Checked; }

void ListaCasillas::EstableceSelected(int indice, bool marcado) {
    elemento(indice)->setCheckState(marcado ? Qt::Checked : Qt::Unchecked);
}

void ListaCasillas::PonSinAviso(int indice, bool marcado) {
    auto* it = elemento(indice);
    callado_ = true;
    it->setCheckState(marcado ? Qt::Checked : Qt::Unchecked);
    marcas_[indice] = marcado;
    callado_ = false;
}

void ListaCasillas::alCambiar(QListWidgetItem* it) {
    const int i = row(it);
    if (i < 0 || i >= marcas_.size()) return;
    const bool ahora = it->checkState() == Qt::Checked;
    if (callado_ || ahora == marcas_[i]) {
        marcas_[i] = ahora;
        return;  // a change of text, or one made quietly
    }
    marcas_[i] = ahora;
    emit ItemCheck(i);
}
